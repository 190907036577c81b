#include "cli/unitsrun.h"

#include <QDir>
#include <QFileInfo>

#include "cli/runoutput.h"
#include "cli/unitprocess.h"
#include "rom/romimage.h"

UnitsRun::UnitsRun(const CliRequest &request)
    : request(request)
    , record(request.recordPath)
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
    if (!request.recordPath.isEmpty() && !OpenRecord(&record, &problem)) {
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
    if (!copyCheckedImage(job->file, &image, refusal))
        return false;
    common.hasImage = true;
    common.image = SummarizeImage(image);
    return true;
}

// Checks the file, copies it and checks the copy, which is what the units get: the image
// summed up is then the image sent, even if the file changes meanwhile. One image at a
// time in memory: a 16 MiB image is held once.
bool UnitsRun::copyCheckedImage(const QString &copyPath, RomImage *image, QString *reason)
{
    if (!CheckImageFile(request.file, image, reason))
        return false;
    *image = RomImage();
    QFile file(request.file);
    if (!file.copy(copyPath)) {
        *reason = "cannot copy it for the units: " + file.errorString();
        return false;
    }
    if (CheckImageFile(copyPath, image, reason))
        return true;
    *reason = "it changed while it was read: " + *reason;
    return false;
}

// Nothing was sent to any unit; each still gets its record, saying why.
int UnitsRun::refuse(const QString &reason)
{
    PrintError(QString("%1: refused: %2").arg(QDir::toNativeSeparators(request.file), reason));
    for (const QString &port : qAsConst(request.ports)) {
        UnitRecord unit = common;
        unit.port = port;
        unit.started = unit.finished = QDateTime::currentDateTimeUtc();
        unit.result = UnitResult::Refused;
        unit.failedStep = "ROM file refused: " + reason;
        keepRecord(unit);
        if (request.json)
            PrintLine(stdout, QString::fromUtf8(CompactJson(unit.toJson())));
    }
    return ExitUsage;
}

void UnitsRun::startUnits(const UnitJob &job)
{
    for (const QString &port : qAsConst(request.ports)) {
        UnitJob unitJob = job;
        unitJob.port = port;
        UnitRecord unit = common;
        unit.port = port;
        units.append(new UnitProcess(unitJob, unit));
        units.last()->setParent(this);
    }
    output = std::make_unique<RunOutput>(RunOutput::modeFor(request.json), units);
    for (UnitProcess *unit : qAsConst(units)) {
        connect(unit, &UnitProcess::reported, output.get(), &RunOutput::showEvent);
        connect(unit, &UnitProcess::finished, this, [this, unit] { unitFinished(unit); });
    }
    connect(&stopSignals, &StopSignals::stopRequested, this, &UnitsRun::stopRequested);
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

// The first stop lets each unit end at a safe point; a second one does not wait.
void UnitsRun::stopRequested(StopSignals::Cause cause, int count)
{
    Q_UNUSED(cause)
    output->showStopping(count);
    for (UnitProcess *unit : qAsConst(units)) {
        if (count == 1)
            unit->stop();
        else
            unit->kill(UnitResult::Interrupted, "killed on a second Ctrl-C, perhaps in the middle of a frame");
    }
}

void UnitsRun::keepRecord(const UnitRecord &unit)
{
    QString problem;
    if (request.recordPath.isEmpty() || AppendRecord(&record, unit, &problem))
        return;
    PrintError(problem);
    recordLacksLines = true;
}

int UnitsRun::exitStatus() const
{
    bool interrupted = StopSignals::count() > 0;
    bool allSucceeded = !recordLacksLines;
    for (const UnitProcess *unit : units) {
        interrupted = interrupted || unit->record().result == UnitResult::Interrupted;
        allSucceeded = allSucceeded && unit->record().result == UnitResult::Success;
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
