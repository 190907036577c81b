#ifndef CLI_RUNTIMES_H
#define CLI_RUNTIMES_H

#include <QString>
#include <QtGlobal>

#include "driver/windowdriver.h"

// What the line rate says about one unit's run.

// The longest the operation can take at this rate: every fixed wait, every frame on the
// line, and every answer taking the whole response wait for each of its bytes; with a
// margin for starting the process and checking the file. Past it the unit has hung.
qint64 LongestRunMs(WindowDriver::Operation operation, int frames, int baud);

struct LiveProgress {
    // The window's last log line without its handler: "Erasing..", "Flashing.. 37%".
    QString step;
    // -1 when there is nothing to go on.
    qint64 leftMs = -1;
};

// The step and the time left, from the log's last line, the time so far and the rate.
LiveProgress EstimateProgress(WindowDriver::Operation operation, const QString &lastLogLine, qint64 elapsedMs,
                              int frames, int baud);

#endif
