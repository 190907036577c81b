#ifndef RECORDS_RECORDCOMMANDS_H
#define RECORDS_RECORDCOMMANDS_H

#include <QString>

#include "records/recordfilter.h"
#include "records/recordkeeper.h"

// What a command on the records prints, and how it ended.
struct CommandOutput {
    enum Status { Done = 0, Incomplete = 1, Refused = 2 };

    Status status = Done;
    QString out;
    // Lines for the standard error, each without the program's name.
    QStringList errors;
};

// Sends the records that wait for the server; Done only when none wait.
CommandOutput SyncRecords(const RecordsSetup &setup);
// What was done to one unit, oldest first; as JSON Lines with json.
CommandOutput UnitHistory(const RecordsSetup &setup, const QString &unit, bool json);
// The line's figures over the filter's records.
CommandOutput RecordsReport(const RecordsSetup &setup, const RecordFilter &filter, bool json);
CommandOutput RecordsExport(const RecordsSetup &setup, const RecordFilter &filter);

#endif
