#include "cli/runtimes.h"

#include "protocol/bootprotocol.h"
#include "protocol/timings.h"
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

} // namespace

qint64 LongestRunMs(WindowDriver::Operation operation, int frames, int baud)
{
    const qint64 answers = qint64(Exchanges(operation, frames)) * RESPONSE_FRAME_SIZE * RESPONSE_WAIT_MS;
    return START_MARGIN_MS + ExpectedRunMs(operation, frames, baud) + answers;
}
