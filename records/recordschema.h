#ifndef RECORDS_RECORDSCHEMA_H
#define RECORDS_RECORDSCHEMA_H

#include <QString>

class RecordTable;

// The layout of a database of records, as this version of the tool writes it.
constexpr int RECORD_SCHEMA_VERSION = 2;

// Brings the database forward to RECORD_SCHEMA_VERSION, one step after another, in one
// transaction, and writes its version even when nothing was missing: a database that
// cannot be written is found out here, before any unit is touched. A database of a later
// version is refused.
bool MigrateRecordSchema(RecordTable *table, QString *error);

#endif
