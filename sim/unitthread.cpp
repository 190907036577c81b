// The simulator's own thread: it reads the line, keeps the line's time, and answers.

#include "ecusimulator.h"

#include "wireformat.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

using namespace WireFormat;

namespace {

constexpr int ReadBufferSize = 65536;
// A line whose other end reads nothing for this long is taken as stuck.
constexpr int WriteStallMs = 2000;
// Closing the master discards what the tool has not read yet, so a hang-up after an
// answer first gives the tool this long to take it.
constexpr std::chrono::milliseconds AnswerTakeLimit(1000);
constexpr std::chrono::milliseconds AnswerTakePoll(5);

qint64 steadyMs(EcuSimulator::Clock::time_point at)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

} // namespace

void EcuSimulator::run()
{
    QByteArray buffer(ReadBufferSize, '\0');
    // Only this thread closes the line while it runs, so it reads the descriptor unlocked.
    while (m_line.isOpen()) {
        pollfd fds[2] = {{m_line.masterDescriptor(), POLLIN, 0}, {m_wake.readDescriptor(), POLLIN, 0}};
        int timeoutMs = -1;
        if (!m_scheduled.isEmpty()) {
            const auto untilDue = m_scheduled.first().first - Clock::now();
            timeoutMs = int(qMax<qint64>(0, std::chrono::ceil<std::chrono::milliseconds>(untilDue).count()));
        }
        if (::poll(fds, 2, timeoutMs) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        m_wake.drain();
        if (m_stopping)
            break;
        if (hangUpDue()) {
            closeLine();
            break;
        }
        if (!sendScheduled(Clock::now()))
            continue;
        if (fds[0].revents & POLLIN) {
            const ssize_t count = ::read(fds[0].fd, buffer.data(), buffer.size());
            if (count > 0)
                receive(QByteArray(buffer.constData(), int(count)), Clock::now());
            else if (count == 0 || (errno != EAGAIN && errno != EINTR))
                break;
        } else if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            break;
        }
    }
}

bool EcuSimulator::hangUpDue()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_framesUntilHangUp != 0)
        return false;
    m_framesUntilHangUp = -1;
    return true;
}

void EcuSimulator::receive(const QByteArray &bytes, Clock::time_point readAt)
{
    followLineRate();
    m_clock.receive(bytes.size(), readAt);
    m_reader.append(bytes);
    for (;;) {
        const qint64 skippedBefore = m_reader.skippedBytes();
        const QByteArray frame = m_reader.takeFrame();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_skippedBytes += m_reader.skippedBytes() - skippedBefore;
        }
        if (frame.isEmpty() || interrupted() || !m_line.isOpen())
            return;
        handleFrame(frame, m_clock.arrivalOf(m_reader.consumedBytes() - 1));
    }
}

void EcuSimulator::handleFrame(const QByteArray &frame, Clock::time_point arrivedAt)
{
    const quint8 code = quint8(frame.at(3));
    const QByteArray early = faultFor(code).earlyBytes;
    if ((!early.isEmpty() && !writeToLine(early)) || !sleepUntil(arrivedAt))
        return;

    Fault fault;
    int answered;
    bool hangUpAfterAnswer = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool refused = frame.size() == DataFrameSize && m_dataFramesUntilRefusal > 0
            && --m_dataFramesUntilRefusal == 0;
        const quint8 judged = refused ? quint8(Bootloader::BadChecksum) : m_bootloader.handle(frame);
        fault = m_commandFaults.value(code);
        if (fault.copyAfterMs >= 0 && fault.copiedAnswers > 0 && --m_commandFaults[code].copiedAnswers == 0)
            m_commandFaults[code].copyAfterMs = -1;
        answered = fault.answeredStatus(judged);
        m_frames.append({steadyMs(arrivedAt), code, frame, hasValidChecksum(frame), answered});
        if (m_framesUntilHangUp > 0 && --m_framesUntilHangUp == 0) {
            hangUpAfterAnswer = true;
            m_framesUntilHangUp = -1;
        }
    }
    m_changed.notify_all();

    if (fault.hangUp) {
        closeLine();
        return;
    }
    if (answered >= 0)
        sendAnswer(quint8(answered), fault, arrivedAt);
    if (hangUpAfterAnswer) {
        if (answered >= 0)
            waitUntilAnswerTaken();
        closeLine();
    }
}

void EcuSimulator::sendAnswer(quint8 status, const Fault &fault, Clock::time_point arrivedAt)
{
    if (!sleepUntil(arrivedAt + std::chrono::milliseconds(fault.delayMs)))
        return;
    const QByteArray answer = fault.answerBytes(status);
    const QVector<QByteArray> pieces = fault.answerPieces(answer);
    for (int i = 0; i < pieces.size(); ++i) {
        if (i > 0 && !sleepUntil(Clock::now() + std::chrono::milliseconds(fault.gapMs)))
            return;
        if (!sendPaced(pieces.at(i)))
            return;
    }
    if (fault.copyAfterMs >= 0)
        schedule(Clock::now() + std::chrono::milliseconds(fault.copyAfterMs), answer);
}

bool EcuSimulator::sendPaced(const QByteArray &bytes)
{
    followLineRate();
    if (m_clock.byteTime() == Clock::duration::zero())
        return writeToLine(bytes);
    for (char byte : bytes) {
        if (!waitUntil(m_clock.sendByte(Clock::now())) || !writeToLine(QByteArray(1, byte)))
            return false;
    }
    return true;
}

bool EcuSimulator::writeToLine(const QByteArray &bytes)
{
    std::lock_guard<std::mutex> lineLock(m_lineMutex);
    const int descriptor = m_line.masterDescriptor();
    if (descriptor < 0)
        return false;
    const char *next = bytes.constData();
    qint64 remaining = bytes.size();
    while (remaining > 0) {
        const ssize_t written = ::write(descriptor, next, size_t(remaining));
        if (written > 0) {
            next += written;
            remaining -= written;
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EAGAIN) {
            pollfd writable = {descriptor, POLLOUT, 0};
            if (::poll(&writable, 1, WriteStallMs) > 0 && !m_stopping)
                continue;
        }
        return false;
    }
    return true;
}

void EcuSimulator::schedule(Clock::time_point at, const QByteArray &bytes)
{
    auto later = m_scheduled.begin();
    while (later != m_scheduled.end() && later->first <= at)
        ++later;
    m_scheduled.insert(later, {at, bytes});
}

// Sends what is due by now; false if the line failed.
bool EcuSimulator::sendScheduled(Clock::time_point now)
{
    while (!m_scheduled.isEmpty() && m_scheduled.first().first <= now) {
        const QByteArray bytes = m_scheduled.takeFirst().second;
        if (!sendPaced(bytes))
            return false;
    }
    return true;
}

// Sends what falls due meanwhile. False when the wait was cut short: the simulator stops,
// or the line is to hang up now.
bool EcuSimulator::sleepUntil(Clock::time_point until)
{
    for (;;) {
        const bool sendFirst = !m_scheduled.isEmpty() && m_scheduled.first().first < until;
        if (!waitUntil(sendFirst ? m_scheduled.first().first : until))
            return false;
        if (!sendFirst)
            return true;
        if (!sendScheduled(Clock::now()))
            return false;
    }
}

bool EcuSimulator::waitUntil(Clock::time_point until)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_until(lock, until, [this] { return m_stopping || m_framesUntilHangUp == 0; });
    return !m_stopping && m_framesUntilHangUp != 0;
}

bool EcuSimulator::interrupted() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopping || m_framesUntilHangUp == 0;
}

void EcuSimulator::closeLine()
{
    std::lock_guard<std::mutex> lineLock(m_lineMutex);
    m_line.close();
}

void EcuSimulator::waitUntilAnswerTaken()
{
    // Written bytes reach the slave's queue a moment after write() returns.
    const Clock::time_point limit = Clock::now() + AnswerTakeLimit;
    do {
        if (!sleepUntil(Clock::now() + AnswerTakePoll))
            return;
    } while (m_line.unreadBySlave() > 0 && Clock::now() < limit);
}

void EcuSimulator::followLineRate()
{
    int baud;
    double errorPercent;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        baud = m_baud;
        errorPercent = m_clockErrorPercent;
    }
    m_clock.setRate(baud == RateOfThePort ? m_line.slaveBaudRate() : baud, errorPercent);
}

EcuSimulator::Fault EcuSimulator::faultFor(quint8 code) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commandFaults.value(code);
}
