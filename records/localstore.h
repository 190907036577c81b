#ifndef RECORDS_LOCALSTORE_H
#define RECORDS_LOCALSTORE_H

#include <QJsonObject>
#include <QString>
#include <QVector>

#include "records/recordfilter.h"
#include "records/recordtable.h"

// The station's own SQLite database of records, and the records in it that wait for a
// server. Several runs on one station may write to it at once: each waits its turn, up to
// LOCAL_BUSY_TIMEOUT_MS.
class LocalStore
{
public:
    // records.sqlite in the user's application data folder.
    static QString DefaultPath();

    LocalStore();

    // Opens or makes the database and brings its layout forward; false with a line that
    // names the file when it cannot be read or written.
    bool open(const QString &path, QString *error);
    QString path() const;

    // Commits the record whole, and if server is not empty, its place among those waiting
    // for that server, in one transaction.
    bool add(const QJsonObject &record, const QString &server, QString *error);
    bool waiting(const QString &server, QVector<QJsonObject> *records, QString *error);
    bool waitingCount(const QString &server, int *count, QString *error);
    // The server acknowledged the record.
    bool markSent(const QString &id, const QString &server, QString *error);

    bool select(const RecordFilter &filter, QVector<QJsonObject> *records, QString *error);

private:
    RecordTable table{RecordTable::Sqlite};
    QString filePath;
};

constexpr int LOCAL_BUSY_TIMEOUT_MS = 10000;

#endif
