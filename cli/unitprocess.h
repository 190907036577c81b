#ifndef CLI_UNITPROCESS_H
#define CLI_UNITPROCESS_H

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QTimer>

#include "cli/commandline.h"
#include "cli/unitrecord.h"

// One unit's process, started and watched by the command line. It ends with a record
// whatever happens: a result from the process, or why there was none.
class UnitProcess : public QObject
{
    Q_OBJECT

public:
    // The record is filled in as the unit goes; the process may run as long as the
    // operation can take at the job's rate.
    UnitProcess(const UnitJob &job, const UnitRecord &record);

    void start();
    // Asks the process to end after the frame in flight, without Reset; the cause is the
    // stop's name, which the record keeps.
    void stop(const QString &cause);
    // Ends the unit without starting its process: nothing is sent to it.
    void skip(const QString &why);
    // Ends the process at once; the unit gets this result, and the reason as its failed step.
    void kill(UnitResult result, const QString &why);

    bool isFinished() const { return done; }
    const UnitRecord &record() const { return unitRecord; }
    QString lastLogLine() const;
    // What the window's status bar says now.
    QString statusText() const { return status; }
    qint64 elapsedMs() const { return clock.elapsed(); }

signals:
    // Each event as the process sent it, with the port added.
    void reported(const QJsonObject &event);
    void finished();

private:
    void readEvents();
    void take(const QJsonObject &event);
    void takeLogLine(const QJsonObject &event);
    void takeResult(const QJsonObject &result);
    void processEnded();
    void overran();
    void end(UnitResult result, const QString &failedStep);

    UnitJob job;
    UnitRecord unitRecord;
    QProcess process;
    QTimer bound;
    QElapsedTimer clock;
    bool resultTaken = false;
    bool killed = false;
    UnitResult killResult = UnitResult::Failed;
    QString killReason;
    QString stopCause;
    QString status;
    bool done = false;
};

#endif
