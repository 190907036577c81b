#ifndef CLI_RUNTIMES_H
#define CLI_RUNTIMES_H

#include <QtGlobal>

#include "driver/windowdriver.h"

// The longest the operation can take at this rate: every fixed wait, every frame on the
// line, and every answer taking the whole response wait for each of its bytes; with a
// margin for starting the process and checking the file. Past it the unit has hung.
qint64 LongestRunMs(WindowDriver::Operation operation, int frames, int baud);

#endif
