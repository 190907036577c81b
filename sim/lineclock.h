#ifndef LINECLOCK_H
#define LINECLOCK_H

#include <QtGlobal>

#include <chrono>

// The line's timing as the unit sees it. At a rate, every byte takes 10 bits (8N1); the
// bytes of each direction follow one another without overlapping, and none has arrived
// before it was read. At rate 0 the line takes no time.
class LineClock
{
public:
    using Clock = std::chrono::steady_clock;

    // errorPercent: how much faster (or, below 0, slower) the line runs than its rate, as
    // an adapter's clock does.
    void setRate(int baud, double errorPercent = 0);
    Clock::duration byteTime() const;

    // Takes in count bytes read from the line at readAt.
    void receive(qint64 count, Clock::time_point readAt);
    // When the byte at this position of all received so far had arrived whole; for the
    // bytes of the last reception.
    Clock::time_point arrivalOf(qint64 position) const;

    // When a byte sent no sooner than now has gone out whole, behind those sent before it.
    Clock::time_point sendByte(Clock::time_point now);

private:
    Clock::duration m_byteTime = Clock::duration::zero();
    qint64 m_received = 0;
    qint64 m_batchStart = 0;
    Clock::time_point m_batchArrival;
    Clock::time_point m_lastArrival;
    Clock::time_point m_lineFreeAt;
};

#endif // LINECLOCK_H
