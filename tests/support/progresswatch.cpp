#include "support/progresswatch.h"

#include <QTextEdit>

#include <utility>

ProgressWatch::ProgressWatch(QTextEdit *pane)
    : pane(pane)
{
    connect(pane, &QTextEdit::textChanged, this, &ProgressWatch::look);
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
    if (action && last == trigger)
        std::exchange(action, nullptr)();
}
