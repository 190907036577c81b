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
    if (request.operation == WindowDriver::Flash && !prepareImage(&job, &problem))
        return refuse(problem);
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
        unit.id = QUuid::createUuid();
        unit.unit = request.units.value(port);
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

// A unit that already holds the image, by what the databases the run can reach say, is not
// flashed again.
void UnitsRun::guardUnits()
{
    const QString sha256 = QString::fromLatin1(common.image.sha256.toHex());
    for (auto unit = request.units.cbegin(); unit != request.units.cend(); ++unit) {
        const QJsonObject earlier = keeper.heldImage(unit.value(), sha256);
        if (!earlier.isEmpty())
            heldImages.insert(unit.key(), QString("the unit already holds this image: flashed at %1 on %2")
                                              .arg(earlier.value(Key::FINISHED).toString(),
                                                   earlier.value(Key::STATION).toString()));
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
    Q_UNUSED(cause)
    output->showStopping(count);
    for (UnitProcess *unit : qAsConst(units)) {
        if (count == 1)
            unit->stop();
        else
            unit->kill(UnitResult::Interrupted, "killed on a second Ctrl-C, perhaps in the middle of a frame");
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

int UnitsRun::exitStatus() const
{
    bool interrupted = StopSignals::count() > 0;
    bool allSucceeded = !recordLacksLines;
    for (const UnitProcess *unit : units) {
        interrupted = interrupted || unit->record().result == UnitResult::Interrupted;
        const UnitResult result = unit->record().result;
        allSucceeded = allSucceeded && (result == UnitResult::Success || result == UnitResult::Skipped);
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
