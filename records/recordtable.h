#ifndef RECORDS_RECORDTABLE_H
#define RECORDS_RECORDTABLE_H

#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QVariantList>
#include <QVector>

#include "records/recordfilter.h"

// One connection to a database of records, SQLite or PostgreSQL, and the statements both
// share. Each record is kept whole as its JSON line beside the columns that questions
// select on; its id is the primary key, so the same record twice is kept once.
class RecordTable
{
public:
    enum Kind { Sqlite, Postgres };

    explicit RecordTable(Kind kind);
    ~RecordTable();
    RecordTable(const RecordTable &) = delete;
    RecordTable &operator=(const RecordTable &) = delete;

    // What the database said, one line: its own words where it gave any, else the driver's.
    static QString ErrorText(const QSqlError &error);

    Kind kind() const;
    QSqlDatabase &database();

    // Runs one statement with its values bound in order; on failure says what failed.
    bool run(const QString &statement, const QVariantList &values = {}, QString *error = nullptr);
    // The first column of every row the statement gives.
    bool column(const QString &statement, const QVariantList &values, QVariantList *cells, QString *error);

    // A transaction that takes the write lock at once, so that two writers wait in turn.
    bool begin(QString *error);
    bool commit(QString *error);
    void rollback();

    // Adds the record unless one with its id is there; within the caller's transaction.
    bool insert(const QJsonObject &record, QString *error);
    // The records the filter lets through, oldest first.
    bool select(const RecordFilter &filter, QVector<QJsonObject> *records, QString *error);

private:
    Kind tableKind;
    QString connectionName;
    QSqlDatabase connection;
};

#endif
