#include "cli/unitsrun.h"

#include <QDir>
#include <QFileInfo>

#include "cli/runoutput.h"
#include "cli/unitprocess.h"
#include "platform/system.h"
#include "rom/regularfile.h"
#include "rom/romimage.h"

namespace {

// The file's bytes into the copy; the file is opened without waiting, so that a FIFO or a
// device swapped in after the check is refused rather than waited on.
bool CopyWithoutWaiting(const QString &path, const QString &copyPath, QString *reason)
{
    QFile file(path), copy(copyPath);
    if (!OpenRegularFile(file, reason))
        return false;
    if (!copy.open(QIODevice::WriteOnly) || copy.write(file.readAll()) != file.size()) {
        *reason = copy.errorString();
        return false;
    }
    return true;
}

} // namespace

UnitsRun::UnitsRun(const CliRequest &request)
    : request(request)
    , record(request.recordPath)
{
    common.station = request.station;
    common.operatorName = request.operatorName;
    common.operation = OperationName(request.operation);
    common.baud = request.baud;
    if (!request.file.isEmpty())
        common.file = QDir::toNativeSeparators(QFileInfo(request.file).absoluteFilePath());
}

UnitsRun::~UnitsRun() = default;

int UnitsRun::exec()
{
    QString problem;
    if ((!request.recordPath.isEmpty() && !OpenRecord(&record, &problem)) || !keeper.open(request.records, &problem)) {
        PrintError(problem);
        return ExitUsage;
    }
    UnitJob job;
    job.operation = request.operation;
    job.baud = request.baud;
    job.retries = request.retries;
    if (request.operation == WindowDriver::Flash && !prepareImage(&job, &problem))
        return refuse(UnitResult::Refused,
                      QString("%1: refused: %2").arg(QDir::toNativeSeparators(request.file), problem),
                      "ROM file refused: " + problem);
    // A stop during the check: the units are left untouched.
    if (StopSignals::count() > 0)
        return refuse(UnitResult::Interrupted, "stopped by " + StopSignals::name(StopSignals::firstCause()),
                      "stopped by " + StopSignals::name(StopSignals::firstCause()) + " before anything was sent");
    if (request.operation == WindowDriver::Flash && !request.again)
        guardUnits();
    startUnits(job);
    // What earlier runs could not send goes first, while the units work.
    keeper.sendWaiting();
    // Every unit's process has a bound, past which it is killed: this loop ends.
    if (running > 0)
        untilAllEnded.exec();
    output->showEnd();
    keeper.sendWaiting();
    const QString waiting = keeper.waitingLine();
    if (!waiting.isEmpty())
        PrintError(waiting);
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
    if (!CopyWithoutWaiting(request.file, copyPath, reason)) {
        *reason = "cannot copy it for the units: " + *reason;
        return false;
    }
    if (CheckImageFile(copyPath, image, reason))
        return true;
    *reason = "it changed while it was read: " + *reason;
    return false;
}

// Nothing was sent to any unit; each still gets its record, saying why.
int UnitsRun::refuse(UnitResult result, const QString &message, const QString &failedStep)
{
    PrintError(message);
    for (const QString &port : qAsConst(request.ports)) {
        UnitRecord unit = common;
        unit.id = QUuid::createUuid();
        unit.unit = request.units.value(port);
        unit.port = port;
        unit.started = unit.finished = QDateTime::currentDateTimeUtc();
        unit.result = result;
        unit.failedStep = failedStep;
        keepRecord(unit);
        if (request.json)
            PrintLine(stdout, QString::fromUtf8(CompactJson(RunOutput::recordEvent(unit))));
    }
    return result == UnitResult::Refused ? ExitUsage : exitStatus();
}

// A unit that already holds the image, by what the databases the run can reach say, is not
// flashed again.
void UnitsRun::guardUnits()
{
    const QString sha256 = QString::fromLatin1(common.image.sha256.toHex());
    for (auto unit = request.units.cbegin(); unit != request.units.cend(); ++unit) {
        const QJsonObject earlier = keeper.heldImage(unit.value(), sha256);
        if (!earlier.isEmpty())
            heldImages.insert(
                unit.key(),
                QString("the unit already holds this image: flashed at %1 on %2")
                    .arg(earlier.value(Key::FINISHED).toString(), earlier.value(Key::STATION).toString()));
    }
}

void UnitsRun::startUnits(const UnitJob &job)
{
    for (const QString &port : qAsConst(request.ports)) {
        UnitJob unitJob = job;
        unitJob.port = port;
        UnitRecord unit = common;
        unit.id = QUuid::createUuid();
        unit.unit = request.units.value(port);
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
    for (UnitProcess *unit : qAsConst(units)) {
        if (heldImages.contains(unit->record().port))
            unit->skip(heldImages.value(unit->record().port));
        else
            unit->start();
    }
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
    const QString name = StopSignals::name(cause);
    output->showStopping(name, count);
    for (UnitProcess *unit : qAsConst(units)) {
        if (count == 1)
            unit->stop(name);
        else
            unit->kill(UnitResult::Killed,
                       QString("killed on a second stop after %1, perhaps in the middle of a frame").arg(name));
    }
}

// In the record file and the station's database; a record that either lacks fails the run.
void UnitsRun::keepRecord(const UnitRecord &unit)
{
    QString problem;
    const bool inFile = request.recordPath.isEmpty() || AppendRecord(&record, unit, &problem);
    if (!inFile)
        PrintError(problem);
    const bool inDatabase = keeper.keep(unit.toJson(), &problem);
    if (!inDatabase)
        PrintError(problem);
    recordLacksLines = recordLacksLines || !inFile || !inDatabase;
}

// A stop outweighs a record that lacks lines, which outweighs a failed unit.
int UnitsRun::exitStatus() const
{
    if (StopSignals::count() > 0)
        return StopSignals::exitStatus(StopSignals::firstCause());
    bool interrupted = false;
    bool allSucceeded = true;
    for (const UnitProcess *unit : units) {
        interrupted = interrupted || unit->record().result == UnitResult::Interrupted;
        const UnitResult result = unit->record().result;
        allSucceeded = allSucceeded && (result == UnitResult::Success || result == UnitResult::Skipped);
    }
    if (interrupted)
        return StopSignals::exitStatus(StopSignals::Interrupt);
    if (recordLacksLines)
        return ExitRecordIncomplete;
    return allSucceeded ? ExitAllSucceeded : ExitSomeFailed;
}

int RunOnUnits(const CliRequest &request)
{
    KeepRunningWhenOutputCloses();
    UnitsRun run(request);
    return run.exec();
}
