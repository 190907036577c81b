#include "records/recordtable.h"

#include <QJsonDocument>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include "records/recordkeys.h"

namespace {

QString Cell(const QJsonObject &record, const char *key)
{
    return record.value(key).toString();
}

// PostgreSQL's driver prepares on the server, which takes no BEGIN or COMMIT: a statement
// without values runs as it stands.
bool Execute(QSqlQuery *query, const QString &statement, const QVariantList &values)
{
    if (values.isEmpty())
        return query->exec(statement);
    bool done = query->prepare(statement);
    for (const QVariant &value : values)
        query->addBindValue(value);
    return done && query->exec();
}

} // namespace

RecordTable::RecordTable(Kind kind)
    : tableKind(kind)
    , connectionName("varnholt-records-" + QUuid::createUuid().toString(QUuid::WithoutBraces))
    , connection(QSqlDatabase::addDatabase(kind == Sqlite ? "QSQLITE" : "QPSQL", connectionName))
{ }

RecordTable::~RecordTable()
{
    connection.close();
    connection = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
}

QString RecordTable::ErrorText(const QSqlError &error)
{
    const QString text = error.databaseText().trimmed().isEmpty() ? error.driverText() : error.databaseText();
    QStringList lines = text.split('\n');
    for (QString &line : lines)
        line = line.simplified();
    lines.removeAll(QString());
    return lines.join("; ");
}

RecordTable::Kind RecordTable::kind() const
{
    return tableKind;
}

QSqlDatabase &RecordTable::database()
{
    return connection;
}

bool RecordTable::run(const QString &statement, const QVariantList &values, QString *error)
{
    QSqlQuery query(connection);
    const bool done = Execute(&query, statement, values);
    if (!done && error)
        *error = ErrorText(query.lastError());
    return done;
}

bool RecordTable::column(const QString &statement, const QVariantList &values, QVariantList *cells, QString *error)
{
    QSqlQuery query(connection);
    query.setForwardOnly(true);
    if (!Execute(&query, statement, values)) {
        *error = ErrorText(query.lastError());
        return false;
    }
    while (query.next())
        cells->append(query.value(0));
    return true;
}

bool RecordTable::begin(QString *error)
{
    return run(tableKind == Sqlite ? "BEGIN IMMEDIATE" : "BEGIN", {}, error);
}

bool RecordTable::commit(QString *error)
{
    return run("COMMIT", {}, error);
}

void RecordTable::rollback()
{
    run("ROLLBACK");
}

bool RecordTable::insert(const QJsonObject &record, QString *error)
{
    const QJsonObject image = record.value(Key::IMAGE).toObject();
    return run("INSERT INTO records (id, unit, station, operator, operation, result, sha256, started, finished, "
               "record) VALUES (?, NULLIF(?, ''), ?, NULLIF(?, ''), ?, ?, NULLIF(?, ''), ?, ?, ?) "
               "ON CONFLICT (id) DO NOTHING",
               {Cell(record, Key::ID), Cell(record, Key::UNIT), Cell(record, Key::STATION), Cell(record, Key::OPERATOR),
                Cell(record, Key::OPERATION), Cell(record, Key::RESULT), Cell(image, Key::SHA256),
                Cell(record, Key::STARTED), Cell(record, Key::FINISHED),
                QString::fromUtf8(QJsonDocument(record).toJson(QJsonDocument::Compact))},
               error);
}

bool RecordTable::select(const RecordFilter &filter, QVector<QJsonObject> *records, QString *error)
{
    QStringList conditions{"1 = 1"};
    QVariantList values;
    const auto narrow = [&](bool given, const QString &condition, const QVariant &value) {
        if (given) {
            conditions << condition;
            values << value;
        }
    };
    narrow(!filter.unit.isEmpty(), "unit = ?", filter.unit);
    narrow(!filter.station.isEmpty(), "station = ?", filter.station);
    narrow(filter.since.isValid(), "started >= ?", RecordTimeText(filter.since));
    narrow(filter.until.isValid(), "started < ?", RecordTimeText(filter.until));
    QVariantList cells;
    if (!column("SELECT record FROM records WHERE " + conditions.join(" AND ") + " ORDER BY started, id", values,
                &cells, error))
        return false;
    for (const QVariant &cell : qAsConst(cells))
        records->append(QJsonDocument::fromJson(cell.toString().toUtf8()).object());
    return true;
}
