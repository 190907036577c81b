#include "resulttable.h"

#include <cstdio>

ResultTable::ResultTable(const QString &title, const QStringList &headers)
    : title(title), headers(headers)
{
}

void ResultTable::addRow(const QStringList &cells)
{
    rows.append(cells);
}

void ResultTable::addNote(const QString &note)
{
    notes.append(note);
}

void ResultTable::print() const
{
    QVector<int> widths;
    for (const QString &header : headers)
        widths.append(header.size());
    for (const QStringList &row : rows)
        for (int column = 0; column < row.size() && column < widths.size(); ++column)
            widths[column] = qMax(widths[column], row.at(column).size());

    const auto line = [&widths](const QStringList &cells) {
        QString text;
        for (int column = 0; column < widths.size(); ++column) {
            const QString cell = cells.value(column);
            text += column == 0 ? cell.leftJustified(widths[column]) : cell.rightJustified(widths[column]);
            if (column + 1 < widths.size())
                text += "  ";
        }
        return text;
    };
    QString separator;
    for (int column = 0; column < widths.size(); ++column)
        separator += QString(widths[column], '-') + (column + 1 < widths.size() ? "  " : "");

    QString text = title + "\n" + line(headers) + "\n" + separator + "\n";
    for (const QStringList &row : rows)
        text += line(row) + "\n";
    for (const QString &note : notes)
        text += "  " + note + "\n";
    std::fputs(qPrintable(text + "\n"), stdout);
    std::fflush(stdout);
}

QString ResultTable::verdict(bool met)
{
    return met ? "PASS" : "MISS";
}

QString ResultTable::number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}
