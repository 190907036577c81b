#include "cli/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSysInfo>

#include "connection/baudrates.h"
#include "platform/portidentity.h"
#include "records/recordkeys.h"

namespace {

const char *const DESCRIPTION =
    "Checks ROM files and flashes, verifies or erases ECUs over serial ports, several at once,\n"
    "each through the Varnholt window's own code.\n\n"
    "Commands:\n"
    "  check <file>                 Check a ROM file as the window does and sum it up; no port is opened.\n"
    "  ports                        List the serial ports with their descriptions.\n"
    "  flash <file> --port <port>   Flash the file into the unit on each port, all at once.\n"
    "  verify --port <port>         Verify the application of each unit.\n"
    "  erase --port <port>          Erase the application of each unit.\n"
    "  sync, history <unit>, report, export --csv\n"
    "                               Send the waiting records; one unit's; the line's figures; CSV.\n\n"
    "Exit status: 0 when every unit succeeded, 1 when any failed, 2 for a usage error or a\n"
    "refused file (nothing is then sent to any unit), 3 when the units are done but the record\n"
    "lacks some of their lines, 128 + the signal after a stop (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).";
const char *const COMMANDS = "check, ports, flash, verify, erase, sync, history, report or export";
// Beside flash, verify and erase.
const char *const COMMAND_NAMES[] = {"check", "ports", "sync", "history", "report", "export"};
const CliRequest::Command COMMAND_KINDS[] = {CliRequest::Check,   CliRequest::Ports,  CliRequest::Sync,
                                             CliRequest::History, CliRequest::Report, CliRequest::Export};
const char *const PORT = "port";
const char *const BAUD = "baud";
const char *const JSON = "json";
const char *const RECORD = "record";
const char *const RETRIES = "retries";
constexpr int MOST_RETRIES = 10;
const char *const UNIT = "unit";
const char *const STATION = "station";
const char *const OPERATOR = "operator";
const char *const DB = "db";
const char *const NO_DB = "no-db";
const char *const AGAIN = "again";
const char *const SINCE = "since";
const char *const UNTIL = "until";
const char *const CSV = "csv";

void SetUp(QCommandLineParser *parser)
{
    parser->setApplicationDescription(DESCRIPTION);
    parser->addHelpOption();
    parser->addVersionOption();
    parser->addPositionalArgument("command", COMMANDS, "<command>");
    parser->addPositionalArgument("file", "The ROM file of check and flash; the unit of history.", "[<file>]");
    parser->addOptions({
        {PORT, "A unit's serial port (flash, verify, erase); repeat it for more units.", "port"},
        {BAUD, BaudRateHelp(), "rate"},
        {JSON, "One JSON object an event, then one record a unit (JSON Lines)."},
        {RECORD, "Append one JSON line a unit to <file>: what went into it, when, and how it ended.", "file"},
        {RETRIES,
         QString("Run a failed unit's operation again, from the DTR/RTS pulse, up to <n> more times "
                 "(0 to %1, default 0); never after a stop, a refused file or a lost line.")
             .arg(MOST_RETRIES),
         "n", "0"},
        {UNIT, "The unit on <port> is <id>, a scanned serial of 1 to 64 characters; repeatable.", "port=id"},
        {STATION, "This station's name in the records (default the host name); report: only this station.", "name"},
        {OPERATOR, "Who works the station, for the records.", "name"},
        {DB,
         "The station's database file (default records.sqlite in the application data folder), or the "
         "line's server, postgresql://[user[:password]@]host[:port]/dbname (or VARNHOLT_DB).",
         "file|url"},
        {NO_DB, "Keep no records in any database."},
        {AGAIN, "Flash a unit even if it already holds the image."},
        {SINCE, "report, export: records from this time on (ISO 8601, local time unless it says).", "time"},
        {UNTIL, "report, export: records before this time.", "time"},
        {CSV, "export: write CSV."},
    });
}

bool ReadCommand(const QString &name, CliRequest *request)
{
    const auto found = std::find(std::begin(COMMAND_NAMES), std::end(COMMAND_NAMES), name);
    if (found != std::end(COMMAND_NAMES))
        request->command = COMMAND_KINDS[found - std::begin(COMMAND_NAMES)];
    else if (OperationFromName(name, &request->operation))
        request->command = CliRequest::OnUnits;
    return found != std::end(COMMAND_NAMES) || request->command == CliRequest::OnUnits;
}

// Each option, and the commands it is for.
QString OptionMisfit(const QCommandLineParser &parser, const CliRequest &request)
{
    const CliRequest::Command command = request.command;
    const bool onUnits = command == CliRequest::OnUnits, flash = onUnits && request.operation == WindowDriver::Flash;
    const bool onRecords = command == CliRequest::Report || command == CliRequest::Export;
    const QList<QPair<const char *, bool>> fits = {
        {PORT, onUnits},
        {RECORD, onUnits},
        {RETRIES, onUnits},
        {UNIT, onUnits},
        {OPERATOR, onUnits},
        {NO_DB, onUnits},
        {AGAIN, flash},
        {JSON, onUnits || command == CliRequest::History || command == CliRequest::Report},
        {STATION, onUnits || command == CliRequest::Report},
        {SINCE, onRecords},
        {UNTIL, onRecords},
        {CSV, command == CliRequest::Export},
        {DB, command != CliRequest::Check && command != CliRequest::Ports},
        {BAUD, onUnits || command == CliRequest::Check}};
    for (const auto &fit : fits)
        if (!fit.second && parser.isSet(fit.first))
            return QString("--%1 is not for %2").arg(fit.first, parser.positionalArguments().first());
    if (parser.isSet(NO_DB) && parser.isSet(DB))
        return "--no-db and --db do not go together";
    if (command == CliRequest::Export && !parser.isSet(CSV))
        return "export needs --csv";
    for (const char *option : {RECORD, STATION, OPERATOR, DB})
        if (parser.isSet(option) && parser.values(option).contains(QString()))
            return QString("--%1 needs a value").arg(option);
    return QString();
}

// Empty when the positional arguments and the options fit the command.
QString MisfitFor(const QCommandLineParser &parser, const CliRequest &request)
{
    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.first();
    const bool takesFile = request.command == CliRequest::Check || request.command == CliRequest::History
        || (request.command == CliRequest::OnUnits && request.operation == WindowDriver::Flash);
    if (takesFile && arguments.size() < 2)
        return command + (request.command == CliRequest::History ? " needs a unit" : " needs a ROM file");
    if (arguments.size() > (takesFile ? 2 : 1))
        return QString("%1 takes no argument \"%2\"").arg(command, arguments.at(takesFile ? 2 : 1));
    const bool onUnits = request.command == CliRequest::OnUnits;
    if (onUnits && !parser.isSet(PORT))
        return command + " needs at least one --port";
    return OptionMisfit(parser, request);
}

QString BaudMisfit(const QString &text)
{
    return BaudRateTexts().contains(text)
        ? QString()
        : QString("--baud %1 is not one of the window's rates: %2").arg(text, BaudRateTexts().join(", "));
}

// Ports are compared by the device they open: a link, a second device node or a relative
// path is the same port.
QString PortMisfit(const QStringList &ports)
{
    for (int i = 0; i < ports.size(); ++i) {
        if (ports.at(i).isEmpty())
            return "--port needs a name";
        for (int j = 0; j < i; ++j)
            if (ports.at(i) == ports.at(j) || SamePort(ports.at(i), ports.at(j)))
                return QString("the port %1 is named twice (as %2 and %1)").arg(ports.at(i), ports.at(j));
    }
    return QString();
}

QString RetriesMisfit(const QString &text)
{
    bool read = false;
    const int retries = text.toInt(&read);
    return read && retries >= 0 && retries <= MOST_RETRIES
        ? QString()
        : QString("--retries %1 is not a number from 0 to %2").arg(text).arg(MOST_RETRIES);
}

// --unit PORT=ID: the port among the --port options (under any of its names), a unit on one port only.
QString ReadUnits(const QStringList &values, const QStringList &ports, QHash<QString, QString> *units)
{
    QHash<QString, QString> portOfUnit;
    for (const QString &value : values) {
        const int split = value.indexOf('=');
        const QString port = value.left(split), id = value.mid(split + 1);
        const auto given =
            std::find_if(ports.begin(), ports.end(), [&](const QString &name) { return SamePort(name, port); });
        if (split <= 0)
            return QString("--unit %1: give <port>=<id>").arg(value);
        if (given == ports.end())
            return QString("--unit %1: the port %2 is not among the --port options").arg(value, port);
        if (!IsUnitId(id))
            return QString("--unit %1: a unit's id is 1 to %2 printable characters").arg(value).arg(UNIT_ID_MAX);
        if (units->contains(*given))
            return QString("--unit: the port %1 is given two units (%2 and %3)").arg(port, units->value(*given), id);
        if (portOfUnit.contains(id))
            return QString("--unit: the unit %1 is given for two ports (%2 and %3)")
                .arg(id, portOfUnit.value(id), port);
        units->insert(*given, id);
        portOfUnit.insert(id, port);
    }
    return QString();
}

// What the options of the records ask; a misfit, or an empty text.
QString ReadRecordOptions(const QCommandLineParser &parser, CliRequest *request)
{
    request->station = parser.isSet(STATION) ? parser.value(STATION) : QSysInfo::machineHostName();
    request->operatorName = parser.value(OPERATOR);
    request->again = parser.isSet(AGAIN);
    request->records.databases = parser.values(DB);
    request->records.noDatabase = parser.isSet(NO_DB);
    request->filter.unit = request->command == CliRequest::History ? parser.positionalArguments().value(1) : "";
    request->filter.station = request->command == CliRequest::Report ? parser.value(STATION) : "";
    QString misfit = ReadUnits(parser.values(UNIT), parser.values(PORT), &request->units);
    for (const auto &time : {qMakePair(SINCE, &request->filter.since), qMakePair(UNTIL, &request->filter.until)})
        if (misfit.isEmpty() && parser.isSet(time.first))
            misfit = FilterTimeMisfit(time.first, parser.value(time.first), time.second);
    return misfit;
}

const char *const OPERATION_NAMES[] = {OperationText::FLASH, OperationText::VERIFY, OperationText::ERASE};
const WindowDriver::Operation OPERATIONS[] = {WindowDriver::Flash, WindowDriver::Verify, WindowDriver::Erase};
constexpr char UNIT_COMMAND[] = "internal-unit";
// The command, the operation, the port, the rate, the file and the retries.
constexpr int UNIT_ARGUMENT_COUNT = 6;

} // namespace

ParseOutcome ParseCommandLine(const QStringList &arguments, CliRequest *request, QString *message)
{
    QCommandLineParser parser;
    SetUp(&parser);
    if (!parser.parse(arguments)) {
        *message = parser.errorText();
        return UsageError;
    }
    if (parser.isSet("help") || parser.isSet("version")) {
        *message = parser.isSet("help")
            ? parser.helpText()
            : QCoreApplication::applicationName() + " " + QCoreApplication::applicationVersion() + "\n";
        return HelpShown;
    }
    if (parser.positionalArguments().isEmpty()) {
        *message = QString("no command: give %1 (see --help)").arg(COMMANDS);
        return UsageError;
    }
    const QString command = parser.positionalArguments().first();
    if (!ReadCommand(command, request)) {
        *message = QString("unknown command \"%1\": give %2").arg(command, COMMANDS);
        return UsageError;
    }
    const QString baud = parser.isSet(BAUD) ? parser.value(BAUD) : DefaultBaudRateText();
    // The first misfit is the one told; a braced list is read in order.
    const QStringList misfits = {MisfitFor(parser, *request), BaudMisfit(baud), RetriesMisfit(parser.value(RETRIES)),
                                 PortMisfit(parser.values(PORT)), ReadRecordOptions(parser, request)};
    const auto misfit =
        std::find_if(misfits.begin(), misfits.end(), [](const QString &text) { return !text.isEmpty(); });
    if (misfit != misfits.end()) {
        *message = *misfit;
        return UsageError;
    }
    request->file = parser.positionalArguments().value(1);
    request->ports = parser.values(PORT);
    request->baud = baud.toInt();
    request->json = parser.isSet(JSON);
    request->recordPath = parser.value(RECORD);
    request->retries = parser.value(RETRIES).toInt();
    return Parsed;
}

QString OperationName(WindowDriver::Operation operation)
{
    return OPERATION_NAMES[operation];
}

bool OperationFromName(const QString &name, WindowDriver::Operation *operation)
{
    const auto *found =
        std::find_if(std::begin(OPERATIONS), std::end(OPERATIONS),
                     [&](WindowDriver::Operation candidate) { return name == OperationName(candidate); });
    if (found != std::end(OPERATIONS))
        *operation = *found;
    return found != std::end(OPERATIONS);
}

QStringList UnitArguments(const UnitJob &job)
{
    return {UNIT_COMMAND, OperationName(job.operation), job.port, QString::number(job.baud),
            job.file,     QString::number(job.retries)};
}

bool IsUnitCommand(const char *argument)
{
    return qstrcmp(argument, UNIT_COMMAND) == 0;
}

bool UnitJobFromArguments(const QStringList &arguments, UnitJob *job)
{
    if (arguments.size() != UNIT_ARGUMENT_COUNT || arguments.at(0) != UNIT_COMMAND)
        return false;
    bool rateRead = false, retriesRead = false;
    job->port = arguments.at(2);
    job->baud = arguments.at(3).toInt(&rateRead);
    job->file = arguments.at(4);
    job->retries = arguments.at(5).toInt(&retriesRead);
    return rateRead && retriesRead && OperationFromName(arguments.at(1), &job->operation);
}
