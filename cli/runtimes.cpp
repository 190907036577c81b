#include "cli/runtimes.h"

#include "connection/operationtexts.h"
#include "protocol/bootprotocol.h"
#include "protocol/timings.h"
#include "rom/chunklayout.h"
#include "rom/imagesummary.h"

namespace {

constexpr qint64 START_MARGIN_MS = 60 * 1000;
constexpr int FIXED_WAITS_MS = LINE_PULSE_MS + LINE_SETTLE_MS + COMMAND_DELAY_MS;
// Jump and the operation's command, then Reset; a Flash adds Flash start and Verify.
constexpr int COMMAND_EXCHANGES = 3;
constexpr int FLASH_EXTRA_EXCHANGES = 2;

int Exchanges(WindowDriver::Operation operation, int frames)
{
    return operation == WindowDriver::Flash ? COMMAND_EXCHANGES + FLASH_EXTRA_EXCHANGES + frames
                                            : COMMAND_EXCHANGES;
}

// Fixed waits and the line, with answers that come at once.
qint64 ExpectedRunMs(WindowDriver::Operation operation, int frames, int baud)
{
    const int commands = Exchanges(operation, frames) - frames;
    return FIXED_WAITS_MS + LineTimeMs(qint64(commands) * (COMMAND_FRAME_SIZE + RESPONSE_FRAME_SIZE), baud)
        + ImageWireTimeMs(frames, baud);
}

// The percentage of a progress line, or -1.
int ProgressPercentage(const QString &line)
{
    const QString prefix = QString(FLASH_PROGRESS_START).chopped(2);
    if (!line.startsWith(prefix) || !line.endsWith('%'))
        return -1;
    bool read = false;
    const int percentage = line.mid(prefix.size()).chopped(1).toInt(&read);
    return read ? percentage : -1;
}

} // namespace

qint64 LongestRunMs(WindowDriver::Operation operation, int frames, int baud)
{
    const qint64 answers = qint64(Exchanges(operation, frames)) * RESPONSE_FRAME_SIZE * RESPONSE_WAIT_MS;
    return START_MARGIN_MS + ExpectedRunMs(operation, frames, baud) + answers;
}

LiveProgress EstimateProgress(WindowDriver::Operation operation, const QString &lastLogLine, qint64 elapsedMs,
                              int frames, int baud)
{
    LiveProgress progress;
    progress.step = lastLogLine.isEmpty() ? "connecting" : lastLogLine.mid(lastLogLine.indexOf(']') + 1).trimmed();
    const int percentage = ProgressPercentage(lastLogLine);
    if (percentage >= 0) {
        const int framesLeft = frames - frames * percentage / FULL_SCALE_PERCENTAGE;
        progress.leftMs = ImageWireTimeMs(framesLeft, baud);
    } else {
        progress.leftMs = qMax<qint64>(0, ExpectedRunMs(operation, frames, baud) - elapsedMs);
    }
    return progress;
}
