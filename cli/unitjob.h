#ifndef CLI_UNITJOB_H
#define CLI_UNITJOB_H

#include <QString>
#include <QStringList>

#include "driver/windowdriver.h"

// The hidden command that runs one unit in a process of its own; not for users.
constexpr char UNIT_COMMAND[] = "internal-unit";

// One unit's work, as the command line hands it to the unit's process.
struct UnitJob {
    WindowDriver::Operation operation = WindowDriver::Flash;
    QString port;
    int baud = 0;
    // The checked image for a Flash; empty for Verify and Erase.
    QString file;
};

// "flash", "verify", "erase": the commands and the record's operation.
QString OperationName(WindowDriver::Operation operation);
bool OperationFromName(const QString &name, WindowDriver::Operation *operation);

// The arguments after the program that start a unit process, and back.
QStringList UnitArguments(const UnitJob &job);
bool UnitJobFromArguments(const QStringList &arguments, UnitJob *job);

#endif
