#include "sim/lineclock.h"

#include <algorithm>
#include <cmath>

void LineClock::setRate(int baud, double errorPercent)
{
    const double bitsPerSecond = baud * (1 + errorPercent / 100);
    // Rounded up: the unit never has a request sooner than the line could bring it.
    byteDuration =
        bitsPerSecond < 1 ? Clock::duration::zero() : std::chrono::nanoseconds(qint64(std::ceil(10e9 / bitsPerSecond)));
}

LineClock::Clock::duration LineClock::byteTime() const
{
    return byteDuration;
}

void LineClock::receive(qint64 count, Clock::time_point readAt)
{
    if (count <= 0)
        return;
    batchArrival = byteDuration == Clock::duration::zero() ? readAt : std::max(lastArrival, readAt) + byteDuration;
    batchStart = received;
    received += count;
    lastArrival = batchArrival + byteDuration * (count - 1);
}

LineClock::Clock::time_point LineClock::arrivalOf(qint64 position) const
{
    return batchArrival + byteDuration * (position - batchStart);
}

LineClock::Clock::time_point LineClock::sendByte(Clock::time_point now)
{
    lineFreeAt = std::max(lineFreeAt, now) + byteDuration;
    return lineFreeAt;
}
