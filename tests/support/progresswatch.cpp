#include "support/progresswatch.h"

#include <QTextEdit>

ProgressWatch::ProgressWatch(QTextEdit *pane)
    : pane(pane)
{
    connect(pane, &QTextEdit::textChanged, this, &ProgressWatch::look);
}

QStringList ProgressWatch::lines() const
{
    return seen;
}

void ProgressWatch::onLine(const QString &line, std::function<void()> run)
{
    trigger = line;
    action = std::move(run);
}

void ProgressWatch::look()
{
    const QString last = pane->toPlainText().section('\n', -1);
    if (!last.startsWith("[Flash Hanlder] Flashing.. "))
        return;
    seen << last;
    if (action && last == trigger) {
        const std::function<void()> run = std::move(action);
        action = nullptr;
        run();
    }
}
