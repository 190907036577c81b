#include "app/norvane.h"

#include <QEventLoop>

// What runs an operation without a person (the command line on Ctrl-C) stops it here: the
// frame in flight gets its answer, nothing more is sent, and no Reset goes out.
void Norvane::RequestStop()
{
    if (!busy)
        return;
    stopRequested = true;
    if (runningPause != nullptr)
        runningPause->quit();
}
