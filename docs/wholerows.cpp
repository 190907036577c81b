#include "docs/wholerows.h"

#include <QAbstractTextDocumentLayout>
#include <QRegularExpression>
#include <QStringList>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <limits>

namespace {

const char *const FENCE = "```";

QList<QTextTable *> Tables(QTextDocument *document)
{
    QList<QTextTable *> tables;
    for (QTextFrame *frame : document->rootFrame()->childFrames()) {
        if (QTextTable *table = qobject_cast<QTextTable *>(frame))
            tables << table;
    }
    return tables;
}

bool RunsOntoNextPage(QTextDocument *document, QTextTable *table, int row)
{
    const qreal pageHeight = document->pageSize().height();
    QAbstractTextDocumentLayout *layout = document->documentLayout();
    qreal top = std::numeric_limits<qreal>::max();
    qreal bottom = 0;
    for (int column = 0; column < table->columns(); ++column) {
        const QTextTableCell cell = table->cellAt(row, column);
        top = qMin(top, layout->blockBoundingRect(cell.firstCursorPosition().block()).top());
        bottom = qMax(bottom, layout->blockBoundingRect(cell.lastCursorPosition().block()).bottom());
    }
    return int(top / pageHeight) != int((bottom - 1) / pageHeight);
}

// The line that starts each table of the Markdown: its header row, above the rule of dashes.
QVector<int> TableStarts(const QStringList &lines)
{
    static const QRegularExpression rule(R"(^\|( *:?-+:? *\|)+ *$)");
    QVector<int> starts;
    bool inFence = false;
    for (int index = 0; index + 1 < lines.size(); ++index) {
        if (lines.at(index).startsWith(FENCE))
            inFence = !inFence;
        else if (!inFence && lines.at(index).startsWith('|') && rule.match(lines.at(index + 1)).hasMatch()
                 && (index == 0 || !lines.at(index - 1).startsWith('|')))
            starts << index;
    }
    return starts;
}

} // namespace

TableRow FirstSplitRow(QTextDocument *document, const QSet<int> &tablesOnNewPage)
{
    document->pageCount(); // lays the whole document out
    const QList<QTextTable *> tables = Tables(document);
    for (int index = 0; index < tables.size(); ++index) {
        const int firstRow = tablesOnNewPage.contains(index) ? 2 : 1;
        for (int row = firstRow; row < tables.at(index)->rows(); ++row) {
            if (RunsOntoNextPage(document, tables.at(index), row))
                return {index, row};
        }
    }
    return {};
}

QString CutTable(const QString &markdown, TableRow where)
{
    QStringList lines = markdown.split('\n');
    const QVector<int> starts = TableStarts(lines);
    if (where.table < 0 || where.table >= starts.size())
        return QString();
    const int header = starts.at(where.table);
    const int cut = header + 1 + where.row;
    if (where.row < 1 || cut >= lines.size() || !lines.at(cut).startsWith('|'))
        return QString();
    lines.insert(cut, lines.at(header + 1));
    lines.insert(cut, lines.at(header));
    lines.insert(cut, QString());
    return lines.join('\n');
}

void StartOnNewPage(QTextDocument *document, const QSet<int> &tables)
{
    const QList<QTextTable *> all = Tables(document);
    for (int index : tables) {
        if (index >= all.size())
            continue;
        QTextTableFormat format = all.at(index)->format();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        all.at(index)->setFormat(format);
    }
}
