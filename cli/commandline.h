#ifndef CLI_COMMANDLINE_H
#define CLI_COMMANDLINE_H

#include <QHash>
#include <QString>
#include <QStringList>

#include "driver/windowdriver.h"
#include "records/recordfilter.h"
#include "records/recordkeeper.h"

// What a script reads from the command line.
enum ExitStatus {
    ExitAllSucceeded = 0,
    ExitSomeFailed = 1,
    // A usage error or a refused file: nothing was sent to any unit.
    ExitUsage = 2,
    // The units are done, but the record lacks some of their lines.
    ExitRecordIncomplete = 3
    // A stop ends with 128 + the signal's number: 130 for Ctrl-C, 143 for SIGTERM.
};

// What the user asked for, checked before any file or port is opened.
struct CliRequest {
    enum Command { Check, Ports, OnUnits, Sync, History, Report, Export };

    Command command = Check;
    // For OnUnits.
    WindowDriver::Operation operation = WindowDriver::Flash;
    QString file;
    QStringList ports;
    int baud = 0;
    bool json = false;
    QString recordPath;
    int retries = 0;
    // --unit: the identity of the unit on a port, keyed by the port as --port gave it.
    QHash<QString, QString> units;
    QString station;
    QString operatorName;
    bool again = false;
    RecordsSetup records;
    // The unit of history; the window and station of report and export.
    RecordFilter filter;
};

enum ParseOutcome { Parsed, HelpShown, UsageError };

// Reads the arguments (the program's name first). For HelpShown the text to print is in
// message; for UsageError the one line that says what is wrong.
ParseOutcome ParseCommandLine(const QStringList &arguments, CliRequest *request, QString *message);

// "flash", "verify", "erase": the commands and the record's operation.
QString OperationName(WindowDriver::Operation operation);
bool OperationFromName(const QString &name, WindowDriver::Operation *operation);

// One unit's work, as the command line hands it to the unit's process on its command line,
// behind a hidden command that is not for users.
struct UnitJob {
    WindowDriver::Operation operation = WindowDriver::Flash;
    QString port;
    int baud = 0;
    // The checked image for a Flash; empty for Verify and Erase.
    QString file;
    // How many times a failed operation runs again.
    int retries = 0;
};

// What the command line writes to a unit process to stop it at its next safe point.
constexpr char UNIT_STOP_LINE[] = "stop\n";

QStringList UnitArguments(const UnitJob &job);
bool IsUnitCommand(const char *argument);
bool UnitJobFromArguments(const QStringList &arguments, UnitJob *job);

struct RomImage;

// The window's own check of a ROM file, with its Browse button's rule that the name ends
// in ".rom"; on refusal the reason, with the line number where there is one.
bool CheckImageFile(const QString &path, RomImage *image, QString *reason);

// The commands; each returns the exit status.
int RunCheck(const CliRequest &request);
int RunPorts();
int RunOnUnits(const CliRequest &request);
// sync, history, report and export.
int RunOnRecords(const CliRequest &request);
int RunUnitSession(int argc, char *argv[]);

#endif
