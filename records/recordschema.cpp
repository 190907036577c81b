#include "records/recordschema.h"

#include <QStringList>
#include <QVariantList>

#include "records/recordtable.h"

namespace {

// Statements that take the schema from the version of their index to the next.
// %ID and %TIME are the column types of the database at hand.
const QStringList MIGRATIONS[] = {
    {"CREATE TABLE records (id %ID PRIMARY KEY, unit TEXT, station TEXT NOT NULL, operator TEXT, "
     "operation TEXT NOT NULL, result TEXT NOT NULL, sha256 TEXT, started %TIME NOT NULL, "
     "finished %TIME NOT NULL, record TEXT NOT NULL)",
     "CREATE INDEX records_unit ON records (unit, started)", "CREATE INDEX records_started ON records (started)"},
    // The station's records that a server has not acknowledged; empty on a server.
    {"CREATE TABLE outbox (id %ID NOT NULL REFERENCES records (id), server TEXT NOT NULL, PRIMARY KEY (server, id))"},
};
static_assert(sizeof(MIGRATIONS) / sizeof(MIGRATIONS[0]) == RECORD_SCHEMA_VERSION, "one step per version");

// An arbitrary key under which two stations that start at once take turns.
constexpr int MIGRATION_LOCK = 2029;

QString ForKind(QString statement, RecordTable::Kind kind)
{
    statement.replace("%ID", kind == RecordTable::Postgres ? "UUID" : "TEXT");
    return statement.replace("%TIME", kind == RecordTable::Postgres ? "TIMESTAMPTZ" : "TEXT");
}

bool ReadVersion(RecordTable *table, int *version, QString *error)
{
    QVariantList cells;
    if (!table->run("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)", {}, error)
        || !table->column("SELECT MAX(version) FROM schema_version", {}, &cells, error))
        return false;
    *version = cells.value(0).toInt();
    return true;
}

bool MigrateFrom(RecordTable *table, int version, QString *error)
{
    if (version > RECORD_SCHEMA_VERSION) {
        *error = QString("its records are of version %1, newer than this Varnholt's %2")
                     .arg(version)
                     .arg(RECORD_SCHEMA_VERSION);
        return false;
    }
    for (int step = version; step < RECORD_SCHEMA_VERSION; ++step)
        for (const QString &statement : MIGRATIONS[step])
            if (!table->run(ForKind(statement, table->kind()), {}, error))
                return false;
    return table->run("DELETE FROM schema_version", {}, error)
        && table->run("INSERT INTO schema_version (version) VALUES (?)", {RECORD_SCHEMA_VERSION}, error);
}

} // namespace

bool MigrateRecordSchema(RecordTable *table, QString *error)
{
    if (!table->begin(error))
        return false;
    int version = 0;
    const bool locked =
        table->kind() == RecordTable::Sqlite || table->run("SELECT pg_advisory_xact_lock(?)", {MIGRATION_LOCK}, error);
    if (locked && ReadVersion(table, &version, error) && MigrateFrom(table, version, error) && table->commit(error))
        return true;
    table->rollback();
    return false;
}
