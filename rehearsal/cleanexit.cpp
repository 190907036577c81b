#include "cleanexit.h"

#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

#include "ecusimulator.h"

CleanExit::CleanExit(QTemporaryDir &sampleFolder, EcuSimulator &unit)
    : sampleFolder(sampleFolder)
    , unit(unit)
{
    bound.setSingleShot(true);
}

// The event loop, which runs through every wait of an operation, hears the stop.
void CleanExit::onSignals()
{
    connect(&stopSignals, &StopSignals::stopRequested, this, &CleanExit::stopped);
}

void CleanExit::watchdog(int boundMs, const QString *step)
{
    connect(&bound, &QTimer::timeout, this, [this, boundMs, step] {
        std::fprintf(stderr, "Walk-through FAILED: it did not finish within %d s (at: %s)\n", boundMs / 1000,
                     qPrintable(*step));
        now(1);
    });
    bound.start(boundMs);
}

// The window and the operation under way are left as they are: the process ends here.
void CleanExit::now(int status)
{
    unit.stop();
    sampleFolder.remove();
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

void CleanExit::stopped(StopSignals::Cause cause)
{
    std::fprintf(stderr, "\nStopped by %s: the sample folder is removed and the simulated ECU stopped\n",
                 qPrintable(StopSignals::name(cause)));
    now(StopSignals::exitStatus(cause));
}
