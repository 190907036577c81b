#include "records/centralstore.h"

#include <QSqlError>

#include "records/recordschema.h"

CentralStore::CentralStore(const ServerAddress &address)
    : server(address)
{
    server.configure(&table.database());
}

bool CentralStore::open(QString *error)
{
    QString why;
    if (!table.database().open())
        why = RecordTable::ErrorText(table.database().lastError());
    else if (MigrateRecordSchema(&table, &why))
        return true;
    table.database().close();
    *error = named(why);
    return false;
}

bool CentralStore::isOpen()
{
    return table.database().isOpen();
}

const ServerAddress &CentralStore::address() const
{
    return server;
}

bool CentralStore::add(const QJsonObject &record, QString *error)
{
    QString why;
    if (table.insert(record, &why))
        return true;
    *error = named(why);
    return false;
}

bool CentralStore::select(const RecordFilter &filter, QVector<QJsonObject> *records, QString *error)
{
    QString why;
    if (table.select(filter, records, &why))
        return true;
    *error = named(why);
    return false;
}

QString CentralStore::named(const QString &why) const
{
    return QString("the server %1: %2").arg(server.name(), why);
}
