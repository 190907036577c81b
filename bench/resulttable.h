#ifndef BENCH_RESULTTABLE_H
#define BENCH_RESULTTABLE_H

#include <QString>
#include <QStringList>
#include <QVector>

// A titled plain-text table with aligned columns and notes below it.
class ResultTable
{
public:
    ResultTable(const QString &title, const QStringList &headers);

    void addRow(const QStringList &cells);
    void addNote(const QString &note);
    void print() const;

    static QString verdict(bool met);
    static QString number(double value, int decimals);

private:
    QString title;
    QStringList headers;
    QVector<QStringList> rows;
    QStringList notes;
};

#endif
