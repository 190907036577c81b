#include "cli/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include "connection/baudrates.h"

namespace {

const char *const DESCRIPTION =
    "Checks ROM files and flashes, verifies or erases ECUs over serial ports, several at once,\n"
    "each through the Varnholt window's own code.\n\n"
    "Commands:\n"
    "  check <file>                 Check a ROM file as the window does and sum it up; no port is opened.\n"
    "  ports                        List the serial ports with their descriptions.\n"
    "  flash <file> --port <port>   Flash the file into the unit on each port, all at once.\n"
    "  verify --port <port>         Verify the application of each unit.\n"
    "  erase --port <port>          Erase the application of each unit.\n\n"
    "Exit status: 0 when every unit succeeded, 1 when any failed, 2 for a usage error or a\n"
    "refused file (nothing is then sent to any unit), 130 after Ctrl-C.";
const char *const COMMANDS = "check, ports, flash, verify or erase";
const char *const PORT = "port";
const char *const BAUD = "baud";
const char *const JSON = "json";
const char *const RECORD = "record";

void SetUp(QCommandLineParser *parser)
{
    parser->setApplicationDescription(DESCRIPTION);
    parser->addHelpOption();
    parser->addVersionOption();
    parser->addPositionalArgument("command", COMMANDS, "<command>");
    parser->addPositionalArgument("file", "The ROM file of check and flash.", "[<file>]");
    parser->addOptions({
        {PORT, "A unit's serial port (flash, verify, erase); repeat it for more units.", "port"},
        {BAUD, QString("The line's rate, one of the window's: %1 (default %2).")
                   .arg(QStringList(std::begin(BAUD_RATE_TEXTS), std::end(BAUD_RATE_TEXTS)).join(", "),
                        BAUD_RATE_TEXTS[DEFAULT_BAUD_RATE_INDEX]), "rate"},
        {JSON, "One JSON object an event, then one record a unit (JSON Lines)."},
        {RECORD, "Append one JSON line a unit to <file>: what went into it, when, and how it ended.", "file"},
    });
}

// The same port under two names (a link, "ttyS0" beside "/dev/ttyS0") is one port.
QString PortKey(const QString &name)
{
#ifdef Q_OS_WIN
    QString key = name.toUpper();
    return key.startsWith("\\\\.\\") ? key.mid(4) : key;
#else
    const QString path = name.startsWith('/') ? name : "/dev/" + name;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
#endif
}

bool ReadCommand(const QString &name, CliRequest *request)
{
    if (name == "check")
        request->command = CliRequest::Check;
    else if (name == "ports")
        request->command = CliRequest::Ports;
    else if (OperationFromName(name, &request->operation))
        request->command = CliRequest::OnUnits;
    else
        return false;
    return true;
}

// Empty when the positional arguments and the options fit the command.
QString MisfitFor(const QCommandLineParser &parser, const CliRequest &request)
{
    const QStringList arguments = parser.positionalArguments();
    const QString command = arguments.first();
    const bool takesFile = request.command == CliRequest::Check
        || (request.command == CliRequest::OnUnits && request.operation == WindowDriver::Flash);
    if (takesFile && arguments.size() < 2)
        return command + " needs a ROM file";
    if (arguments.size() > (takesFile ? 2 : 1))
        return QString("%1 takes no argument \"%2\"").arg(command, arguments.at(takesFile ? 2 : 1));
    const bool onUnits = request.command == CliRequest::OnUnits;
    if (onUnits && !parser.isSet(PORT))
        return command + " needs at least one --port";
    for (const char *option : {PORT, JSON, RECORD})
        if (!onUnits && parser.isSet(option))
            return QString("--%1 is for flash, verify and erase, not %2").arg(option, command);
    if (request.command == CliRequest::Ports && parser.isSet(BAUD))
        return "--baud is not for ports";
    if (parser.isSet(RECORD) && parser.value(RECORD).isEmpty())
        return "--record needs a file";
    return QString();
}

QString BaudMisfit(const QString &text)
{
    for (const char *rate : BAUD_RATE_TEXTS)
        if (text == rate)
            return QString();
    return QString("--baud %1 is not one of the window's rates: %2")
        .arg(text, QStringList(std::begin(BAUD_RATE_TEXTS), std::end(BAUD_RATE_TEXTS)).join(", "));
}

QString PortMisfit(const QStringList &ports)
{
    for (int i = 0; i < ports.size(); ++i) {
        if (ports.at(i).isEmpty())
            return "--port needs a name";
        for (int j = 0; j < i; ++j)
            if (PortKey(ports.at(i)) == PortKey(ports.at(j)))
                return QString("the port %1 is named twice (as %2 and %1)").arg(ports.at(i), ports.at(j));
    }
    return QString();
}

const char *const OPERATION_NAMES[] = {"flash", "verify", "erase"};
const WindowDriver::Operation OPERATIONS[] = {WindowDriver::Flash, WindowDriver::Verify, WindowDriver::Erase};
constexpr char UNIT_COMMAND[] = "internal-unit";
// The command, the operation, the port, the rate and the file.
constexpr int UNIT_ARGUMENT_COUNT = 5;

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
        *message = parser.isSet("help") ? parser.helpText()
                                        : QCoreApplication::applicationName() + " " +
                                              QCoreApplication::applicationVersion() + "\n";
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
    const QString baud = parser.isSet(BAUD) ? parser.value(BAUD) : BAUD_RATE_TEXTS[DEFAULT_BAUD_RATE_INDEX];
    *message = MisfitFor(parser, *request);
    if (message->isEmpty())
        *message = BaudMisfit(baud);
    if (message->isEmpty())
        *message = PortMisfit(parser.values(PORT));
    if (!message->isEmpty())
        return UsageError;
    request->file = parser.positionalArguments().value(1);
    request->ports = parser.values(PORT);
    request->baud = baud.toInt();
    request->json = parser.isSet(JSON);
    request->recordPath = parser.value(RECORD);
    return Parsed;
}

QString OperationName(WindowDriver::Operation operation)
{
    return OPERATION_NAMES[operation];
}

bool OperationFromName(const QString &name, WindowDriver::Operation *operation)
{
    for (WindowDriver::Operation candidate : OPERATIONS) {
        if (name == OperationName(candidate)) {
            *operation = candidate;
            return true;
        }
    }
    return false;
}

QStringList UnitArguments(const UnitJob &job)
{
    return {UNIT_COMMAND, OperationName(job.operation), job.port, QString::number(job.baud), job.file};
}

bool IsUnitCommand(const char *argument)
{
    return qstrcmp(argument, UNIT_COMMAND) == 0;
}

bool UnitJobFromArguments(const QStringList &arguments, UnitJob *job)
{
    if (arguments.size() != UNIT_ARGUMENT_COUNT || arguments.at(0) != UNIT_COMMAND)
        return false;
    bool rateRead = false;
    job->port = arguments.at(2);
    job->baud = arguments.at(3).toInt(&rateRead);
    job->file = arguments.at(4);
    return rateRead && OperationFromName(arguments.at(1), &job->operation);
}
