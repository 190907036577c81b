#include "lineclock.h"

#include <algorithm>
#include <cmath>

void LineClock::setRate(int baud, double errorPercent)
{
    const double bitsPerSecond = baud * (1 + errorPercent / 100);
    // Rounded up: the unit never has a request sooner than the line could bring it.
    m_byteTime = bitsPerSecond < 1 ? Clock::duration::zero()
                                   : std::chrono::nanoseconds(qint64(std::ceil(10e9 / bitsPerSecond)));
}

LineClock::Clock::duration LineClock::byteTime() const
{
    return m_byteTime;
}

void LineClock::receive(qint64 count, Clock::time_point readAt)
{
    if (count <= 0)
        return;
    m_batchArrival = m_byteTime == Clock::duration::zero() ? readAt
                                                           : std::max(m_lastArrival, readAt) + m_byteTime;
    m_batchStart = m_received;
    m_received += count;
    m_lastArrival = m_batchArrival + m_byteTime * (count - 1);
}

LineClock::Clock::time_point LineClock::arrivalOf(qint64 position) const
{
    return m_batchArrival + m_byteTime * (position - m_batchStart);
}

LineClock::Clock::time_point LineClock::sendByte(Clock::time_point now)
{
    m_lineFreeAt = std::max(m_lineFreeAt, now) + m_byteTime;
    return m_lineFreeAt;
}
