#ifndef REHEARSAL_CLEANEXIT_H
#define REHEARSAL_CLEANEXIT_H

#include <QObject>
#include <QString>
#include <QTimer>

#include "platform/stopsignals.h"

class EcuSimulator;
class QTemporaryDir;

// Ends the rehearsal from wherever it is, an operation's wait included: the sample
// folder goes, the simulated unit stops, and the process exits with the status given.
class CleanExit : public QObject
{
    Q_OBJECT

public:
    CleanExit(QTemporaryDir &sampleFolder, EcuSimulator &unit);

    // Ctrl-C, SIGTERM and SIGHUP end the rehearsal with 130, 143 and 129.
    void onSignals();
    // Past the bound the rehearsal fails, naming what it was doing then.
    void watchdog(int boundMs, const QString *step);
    [[noreturn]] void now(int status);

private:
    void stopped(StopSignals::Cause cause);

    QTemporaryDir &sampleFolder;
    EcuSimulator &unit;
    StopSignals stopSignals;
    QTimer bound;
};

#endif
