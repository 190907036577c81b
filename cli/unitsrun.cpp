#include "cli/unitsrun.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include "cli/commands.h"
#include "cli/console.h"
#include "cli/imagecheck.h"
#include "cli/runoutput.h"
#include "cli/runtimes.h"
#include "cli/terminal.h"
#include "cli/unitevents.h"
#include "cli/unitprocess.h"
#include "rom/romimage.h"

namespace {

RunOutput::Mode OutputMode(const CliRequest &request)
{
    if (request.json)
        return RunOutput::Json;
    return IsTerminal(stdout) ? RunOutput::Live : RunOutput::Lines;
}

} // namespace

UnitsRun::UnitsRun(const CliRequest &request)
    : request(request)
{
    common.operation = OperationName(request.operation);
    common.baud = request.baud;
    if (!request.file.isEmpty())
        common.file = QDir::toNativeSeparators(QFileInfo(request.file).absoluteFilePath());
}

UnitsRun::~UnitsRun() = default;

int UnitsRun::exec()
{
    QString problem;
    if (!request.recordPath.isEmpty() && !CanAppendTo(request.recordPath, &problem)) {
        PrintError(problem);
        return ExitUsage;
    }
    UnitJob job;
    job.operation = request.operation;
    job.baud = request.baud;
    if (request.operation == WindowDriver::Flash && !prepareImage(&job, &problem))
        return refuse(problem);
    startUnits(job);
    // Every unit's process has a bound, past which it is killed: this loop ends.
    if (running > 0)
        untilAllEnded.exec();
    output->showEnd();
    return exitStatus();
}

bool UnitsRun::prepareImage(UnitJob *job, QString *refusal)
{
    imageFolder = std::make_unique<QTemporaryDir>();
    if (!imageFolder->isValid()) {
        *refusal = "cannot make a folder for the units' copy: " + imageFolder->errorString();
        return false;
    }
    job->file = imageFolder->filePath(QFileInfo(request.file).fileName());
    RomImage image;
    if (!CopyCheckedImage(request.file, job->file, &image, refusal))
        return false;
    common.hasImage = true;
    common.image = SummarizeImage(image);
    return true;
}

// Nothing was sent to any unit; each still gets its record, saying why.
int UnitsRun::refuse(const QString &reason)
{
    PrintError(QString("%1: refused: %2").arg(QDir::toNativeSeparators(request.file), reason));
    for (const QString &port : qAsConst(request.ports)) {
        UnitRecord record = common;
        record.port = port;
        record.started = record.finished = QDateTime::currentDateTimeUtc();
        record.result = Result::REFUSED;
        record.failedStep = "ROM file refused: " + reason;
        keepRecord(record);
        if (request.json)
            PrintLine(stdout, QString::fromUtf8(QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact)));
    }
    return ExitUsage;
}

void UnitsRun::startUnits(const UnitJob &job)
{
    const qint64 boundMs = LongestRunMs(request.operation, common.image.frames, request.baud);
    for (const QString &port : qAsConst(request.ports)) {
        UnitJob unitJob = job;
        unitJob.port = port;
        UnitRecord record = common;
        record.port = port;
        units.append(new UnitProcess(unitJob, record, boundMs));
        units.last()->setParent(this);
    }
    output = std::make_unique<RunOutput>(OutputMode(request), units);
    for (UnitProcess *unit : qAsConst(units)) {
        connect(unit, &UnitProcess::reported, output.get(), &RunOutput::showEvent);
        connect(unit, &UnitProcess::finished, this, [this, unit] { unitFinished(unit); });
    }
    connect(&stopSignal, &StopSignal::stopRequested, this, &UnitsRun::stopRequested);
    running = units.size();
    for (UnitProcess *unit : qAsConst(units))
        unit->start();
}

void UnitsRun::unitFinished(UnitProcess *unit)
{
    keepRecord(unit->record());
    output->showFinished(*unit);
    if (--running == 0)
        untilAllEnded.quit();
}

// The first Ctrl-C lets each unit end at a safe point; a second one does not wait.
void UnitsRun::stopRequested(int count)
{
    output->showStopping(count);
    for (UnitProcess *unit : qAsConst(units)) {
        if (count == 1)
            unit->stop();
        else
            unit->kill(Result::INTERRUPTED, "killed on a second Ctrl-C, perhaps in the middle of a frame");
    }
}

void UnitsRun::keepRecord(const UnitRecord &record)
{
    QString problem;
    if (request.recordPath.isEmpty() || AppendRecord(request.recordPath, record, &problem))
        return;
    PrintError(problem);
    recordLacksLines = true;
}

int UnitsRun::exitStatus() const
{
    bool interrupted = stopSignal.count() > 0;
    bool allSucceeded = !recordLacksLines;
    for (const UnitProcess *unit : units) {
        interrupted = interrupted || unit->record().result == Result::INTERRUPTED;
        allSucceeded = allSucceeded && unit->record().result == Result::SUCCESS;
    }
    if (interrupted)
        return ExitInterrupted;
    return allSucceeded ? ExitAllSucceeded : ExitSomeFailed;
}

int RunOnUnits(const CliRequest &request)
{
    UnitsRun run(request);
    return run.exec();
}
