#include <QCoreApplication>
#include <QDir>
#include <QSerialPortInfo>

#include <cstdio>
#include <cstdlib>

#include "app/version.h"
#include "cli/commandline.h"
#include "cli/runoutput.h"
#include "records/recordcommands.h"
#include "rom/imagesummary.h"
#include "rom/romimage.h"

bool CheckImageFile(const QString &path, RomImage *image, QString *reason)
{
    if (!path.endsWith(ROM_FILE_SUFFIX, Qt::CaseSensitive)) {
        *reason = "the name does not end in \".rom\", which the window's Browse requires";
        return false;
    }
    return ReadRomImage(path, image, reason);
}

// The window's summary line, then the SHA-256, which the status bar has no room for.
int RunCheck(const CliRequest &request)
{
    const QString file = QDir::toNativeSeparators(request.file);
    RomImage image;
    QString reason;
    if (!CheckImageFile(request.file, &image, &reason)) {
        PrintError(QString("%1: refused: %2").arg(file, reason));
        return ExitUsage;
    }
    const ImageSummary summary = SummarizeImage(image);
    PrintLine(stdout, file + ": " + SummaryText(summary, request.baud));
    PrintLine(stdout, "SHA-256 " + QString::fromLatin1(summary.sha256.toHex()));
    return ExitAllSucceeded;
}

int RunPorts()
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    if (ports.isEmpty())
        PrintLine(stdout, "No serial ports found.");
    for (const QSerialPortInfo &port : ports) {
        QStringList about;
        for (const QString &text : {port.description(), port.manufacturer(), port.serialNumber()})
            if (!text.isEmpty())
                about << text;
        PrintLine(
            stdout,
            QString("%1  %2").arg(port.systemLocation(), about.isEmpty() ? "(no description)" : about.join(", ")));
    }
    return ExitAllSucceeded;
}

// The commands on the records: their work is the records library's, their words are printed here.
int RunOnRecords(const CliRequest &request)
{
    CommandOutput output;
    if (request.command == CliRequest::Sync)
        output = SyncRecords(request.records);
    else if (request.command == CliRequest::History)
        output = UnitHistory(request.records, request.filter.unit, request.json);
    else if (request.command == CliRequest::Report)
        output = RecordsReport(request.records, request.filter, request.json);
    else
        output = RecordsExport(request.records, request.filter);
    Print(stdout, output.out);
    for (const QString &line : qAsConst(output.errors))
        PrintError(line);
    return output.status;
}

// varnholt-cli: the window's twin for scripts, production lines and test rigs.
int main(int argc, char *argv[])
{
    if (argc > 1 && IsUnitCommand(argv[1])) {
        const int status = RunUnitSession(argc, argv);
        // The thread that reads the input may still wait on it; the C library's clean-up
        // at exit could wait for that thread, so the process ends here.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    }
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName("varnholt-cli");
    QCoreApplication::setApplicationVersion(VARNHOLT_VERSION);

    CliRequest request;
    QString message;
    switch (ParseCommandLine(QCoreApplication::arguments(), &request, &message)) {
    case HelpShown:
        Print(stdout, message);
        return ExitAllSucceeded;
    case UsageError:
        PrintError(message);
        return ExitUsage;
    case Parsed:
        break;
    }
    switch (request.command) {
    case CliRequest::Check:
        return RunCheck(request);
    case CliRequest::Ports:
        return RunPorts();
    case CliRequest::OnUnits:
        return RunOnUnits(request);
    case CliRequest::Sync:
    case CliRequest::History:
    case CliRequest::Report:
    case CliRequest::Export:
        break;
    }
    return RunOnRecords(request);
}
