#include "records/localstore.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSqlError>
#include <QStandardPaths>

#include "records/recordkeys.h"
#include "records/recordschema.h"

namespace {

const char *const DEFAULT_FILE_NAME = "records.sqlite";

} // namespace

QString LocalStore::DefaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(DEFAULT_FILE_NAME);
}

LocalStore::LocalStore() = default;

bool LocalStore::open(const QString &path, QString *error)
{
    filePath = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    const auto fail = [&](const QString &why) {
        *error = QString("the database %1 cannot be used: %2").arg(filePath, why);
        return false;
    };
    const QFileInfo file(path);
    if (!QDir().mkpath(file.absolutePath()))
        return fail("cannot make its folder");
    if (file.exists() && !file.isFile())
        return fail("it is not a file");
    QSqlDatabase &database = table.database();
    database.setDatabaseName(path);
    database.setConnectOptions(QString("QSQLITE_BUSY_TIMEOUT=%1").arg(LOCAL_BUSY_TIMEOUT_MS));
    if (!database.open())
        return fail(RecordTable::ErrorText(database.lastError()));
    // Readers never wait for a writer, and a commit is one append to the log.
    QString why;
    if (!table.run("PRAGMA journal_mode = WAL", {}, &why) || !MigrateRecordSchema(&table, &why))
        return fail(why);
    return true;
}

QString LocalStore::path() const
{
    return filePath;
}

bool LocalStore::add(const QJsonObject &record, const QString &server, QString *error)
{
    if (!table.begin(error))
        return false;
    if (table.insert(record, error)
        && (server.isEmpty()
            || table.run("INSERT INTO outbox (id, server) VALUES (?, ?)", {record.value(Key::ID).toString(), server},
                         error))
        && table.commit(error))
        return true;
    table.rollback();
    return false;
}

bool LocalStore::waiting(const QString &server, QVector<QJsonObject> *records, QString *error)
{
    QVariantList cells;
    if (!table.column("SELECT records.record FROM outbox JOIN records ON records.id = outbox.id "
                      "WHERE outbox.server = ? ORDER BY records.started, records.id",
                      {server}, &cells, error))
        return false;
    for (const QVariant &cell : qAsConst(cells))
        records->append(QJsonDocument::fromJson(cell.toString().toUtf8()).object());
    return true;
}

bool LocalStore::waitingCount(const QString &server, int *count, QString *error)
{
    QVariantList cells;
    if (!table.column("SELECT COUNT(*) FROM outbox WHERE server = ?", {server}, &cells, error))
        return false;
    *count = cells.value(0).toInt();
    return true;
}

bool LocalStore::markSent(const QString &id, const QString &server, QString *error)
{
    return table.run("DELETE FROM outbox WHERE id = ? AND server = ?", {id, server}, error);
}

bool LocalStore::select(const RecordFilter &filter, QVector<QJsonObject> *records, QString *error)
{
    return table.select(filter, records, error);
}
