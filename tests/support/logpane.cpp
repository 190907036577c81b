#include "support/logpane.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

QVector<LogLine> LogLines(const QTextEdit *pane)
{
    QVector<LogLine> lines;
    if (pane->document()->isEmpty())
        return lines;
    for (QTextBlock block = pane->document()->begin(); block.isValid(); block = block.next()) {
        QColor colour;
        const QTextBlock::iterator first = block.begin();
        if (!first.atEnd())
            colour = first.fragment().charFormat().foreground().color();
        lines.append({block.text(), colour});
    }
    return lines;
}

QStringList LogTexts(const QTextEdit *pane)
{
    return pane->document()->isEmpty() ? QStringList() : pane->toPlainText().split('\n');
}
