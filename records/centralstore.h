#ifndef RECORDS_CENTRALSTORE_H
#define RECORDS_CENTRALSTORE_H

#include <QJsonObject>
#include <QString>
#include <QVector>

#include "records/recordfilter.h"
#include "records/recordtable.h"
#include "records/serveraddress.h"

// The line's PostgreSQL server, shared by every station. Each record goes in on its own:
// once the server has it, a second send of it changes nothing.
class CentralStore
{
public:
    explicit CentralStore(const ServerAddress &address);

    // Connects, within SERVER_CONNECT_TIMEOUT_S, and brings the layout forward; false with
    // a line that names the server.
    bool open(QString *error);
    bool isOpen();
    const ServerAddress &address() const;

    bool add(const QJsonObject &record, QString *error);
    bool select(const RecordFilter &filter, QVector<QJsonObject> *records, QString *error);

private:
    QString named(const QString &why) const;

    ServerAddress server;
    RecordTable table{RecordTable::Postgres};
};

#endif
