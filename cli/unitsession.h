#ifndef CLI_UNITSESSION_H
#define CLI_UNITSESSION_H

#include <QDateTime>
#include <QObject>
#include <QString>

#include "app/norvane.h"
#include "cli/logstream.h"
#include "cli/stopsignal.h"
#include "cli/unitjob.h"
#include "driver/windowdriver.h"

// One unit's process: the window's own code, never shown, works the unit through the
// window driver as a technician would, and streams what the window shows.
class UnitSession : public QObject
{
    Q_OBJECT

public:
    explicit UnitSession(const UnitJob &job);

    // Connects, chooses the file, runs the operation and closes the port; the exit status.
    int run();

private:
    QString prepare();
    int finish(const char *result, const QString &failedStep);
    const char *outcome(bool succeeded) const;
    QString failedStep() const;

    UnitJob job;
    Norvane window;
    WindowDriver driver{window};
    LogStream stream{window};
    StopSignal stopSignal{StopSignal::CtrlCOrInput};
    QDateTime started;
};

#endif
