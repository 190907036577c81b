#ifndef RECORDS_CSVEXPORT_H
#define RECORDS_CSVEXPORT_H

#include <QJsonObject>
#include <QString>
#include <QVector>

// The records as CSV for a spreadsheet (RFC 4180: a header row, fields quoted where they
// hold a comma, a quote or a line end, CRLF between rows). The log stays in the databases.
QString RecordsCsv(const QVector<QJsonObject> &records);

#endif
