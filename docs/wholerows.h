#ifndef DOCS_WHOLEROWS_H
#define DOCS_WHOLEROWS_H

#include <QSet>
#include <QString>

class QTextDocument;

// A table row, by the table's place among the document's tables and the row's in its table.
struct TableRow {
    int table = -1;
    int row = -1;
};

// The first row, in reading order, whose lines run from one page onto the next; table -1 when
// none does. A first row after a page break is passed over: it is taller than a page.
TableRow FirstSplitRow(QTextDocument *document, const QSet<int> &tablesOnNewPage);

// The Markdown with that table cut before that row, the rest a table of its own under the
// same header row; empty when the Markdown does not hold that row.
QString CutTable(const QString &markdown, TableRow where);

// Starts each of these tables on a page of its own.
void StartOnNewPage(QTextDocument *document, const QSet<int> &tables);

#endif
