#ifndef CLI_UNITSRUN_H
#define CLI_UNITSRUN_H

#include <QEventLoop>
#include <QFile>
#include <QObject>
#include <QTemporaryDir>
#include <QVector>

#include <memory>

#include "cli/commandline.h"
#include "cli/unitrecord.h"
#include "platform/stopsignals.h"
#include "records/recordkeeper.h"

class RunOutput;
class UnitProcess;

// One operation on every named unit at once, each in a process of its own: what is
// checked before any unit is touched, the output while they run, the records, and the
// exit status.
class UnitsRun : public QObject
{
    Q_OBJECT

public:
    explicit UnitsRun(const CliRequest &request);
    ~UnitsRun() override;

    int exec();

private:
    bool prepareImage(UnitJob *job, QString *refusal);
    bool copyCheckedImage(const QString &copyPath, RomImage *image, QString *reason);
    // Ends the run before any unit is touched, with a record for each.
    int refuse(UnitResult result, const QString &message, const QString &failedStep);
    void guardUnits();
    void startUnits(const UnitJob &job);
    void unitFinished(UnitProcess *unit);
    void stopRequested(StopSignals::Cause cause, int count);
    void keepRecord(const UnitRecord &record);
    int exitStatus() const;

    CliRequest request;
    UnitRecord common;
    QFile record;
    RecordKeeper keeper;
    // Units that already hold the image, by port, with the earlier flash.
    QHash<QString, QString> heldImages;
    // Made for a Flash only: the units' copy of the file.
    std::unique_ptr<QTemporaryDir> imageFolder;
    QVector<UnitProcess *> units;
    std::unique_ptr<RunOutput> output;
    StopSignals stopSignals;
    QEventLoop untilAllEnded;
    int running = 0;
    bool recordLacksLines = false;
};

#endif
