#include "rehearsal/cleanexit.h"

#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "sim/ecusimulator.h"

namespace {

volatile std::sig_atomic_t caughtSignal = 0;

void Catch(int signal)
{
    caughtSignal = signal;
}

} // namespace

CleanExit::CleanExit(QTemporaryDir &sampleFolder, EcuSimulator &unit)
    : sampleFolder(sampleFolder)
    , unit(unit)
{
    connect(&signalWatch, &QTimer::timeout, this, &CleanExit::checkForSignal);
    bound.setSingleShot(true);
}

// A handler may only set a flag; the event loop, which runs through every wait of an
// operation, acts on it.
void CleanExit::onSignals()
{
    std::signal(SIGINT, Catch);
    std::signal(SIGTERM, Catch);
    signalWatch.start(50);
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

void CleanExit::checkForSignal()
{
    if (caughtSignal == 0)
        return;
    std::fprintf(stderr, "\nStopped by %s: the sample folder is removed and the simulated ECU stopped\n",
                 caughtSignal == SIGINT ? "Ctrl-C" : "SIGTERM");
    now(128 + caughtSignal);
}
