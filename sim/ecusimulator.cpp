#include "ecusimulator.h"

#include "intelhexwriter.h"
#include "wireformat.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
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

} // namespace

EcuSimulator::EcuSimulator() = default;

EcuSimulator::~EcuSimulator()
{
    stop();
}

bool EcuSimulator::start()
{
    if (isLineOpen()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_errorString = QStringLiteral("already running");
        return false;
    }
    stop();

    QString error;
    bool opened;
    {
        std::lock_guard<std::mutex> lineLock(m_lineMutex);
        opened = m_line.open(&error);
    }
    int wake[2];
    if (opened && ::pipe2(wake, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = QStringLiteral("wake-up pipe: %1").arg(qt_error_string(errno));
        closeLine();
        opened = false;
    }
    if (!opened) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_errorString = error;
        return false;
    }
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_reader = FrameReader();
    m_receivedBytes = 0;
    m_lastArrival = Clock::time_point();
    m_lineFreeAt = Clock::time_point();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = false;
        m_portPath = m_line.slavePath();
        m_errorString.clear();
    }
    m_thread = std::thread(&EcuSimulator::run, this);
    return true;
}

void EcuSimulator::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    wakeThread();
    if (m_thread.joinable())
        m_thread.join();
    closeLine();
    if (m_wakeRead >= 0)
        ::close(m_wakeRead);
    if (m_wakeWrite >= 0)
        ::close(m_wakeWrite);
    m_wakeRead = -1;
    m_wakeWrite = -1;
}

bool EcuSimulator::isLineOpen() const
{
    std::lock_guard<std::mutex> lineLock(m_lineMutex);
    return m_line.isOpen();
}

QString EcuSimulator::portPath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_portPath;
}

QString EcuSimulator::errorString() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_errorString;
}

void EcuSimulator::setLineRate(int baud)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_baud = qMax(baud, 0);
}

void EcuSimulator::setCommandFault(quint8 commandCode, const Fault &fault)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_commandFaults.insert(commandCode, fault);
}

void EcuSimulator::clearFaults()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_commandFaults.clear();
    m_framesUntilHangUp = -1;
}

void EcuSimulator::hangUpAfterFrames(int n)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_framesUntilHangUp = qMax(n, 0);
    }
    if (n <= 0)
        wakeThread();
}

bool EcuSimulator::sendRaw(const QByteArray &bytes)
{
    return writeToLine(bytes);
}

EcuSimulator::Fault EcuSimulator::Fault::noAnswer()
{
    Fault fault;
    fault.silent = true;
    return fault;
}

EcuSimulator::Fault EcuSimulator::Fault::answerStatus(int status)
{
    Fault fault;
    fault.status = status;
    return fault;
}

EcuSimulator::Fault EcuSimulator::Fault::answerInPieces(const QVector<int> &sizes, int gapMs,
                                                        const QByteArray &trailing)
{
    Fault fault;
    fault.pieces = sizes;
    fault.gapMs = gapMs;
    fault.extraBytes = trailing;
    return fault;
}

EcuSimulator::Fault EcuSimulator::Fault::corruptChecksum()
{
    Fault fault;
    fault.wrongChecksum = true;
    return fault;
}

EcuSimulator::Fault EcuSimulator::Fault::lineHangUp()
{
    Fault fault;
    fault.hangUp = true;
    return fault;
}

QVector<EcuSimulator::ReceivedFrame> EcuSimulator::frames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    // A copy that shares no array with m_frames, which the simulator's thread appends to.
    QVector<ReceivedFrame> copy = m_frames;
    copy.detach();
    return copy;
}

QByteArray EcuSimulator::receivedCommands() const
{
    QByteArray commands;
    for (const ReceivedFrame &frame : frames())
        commands.append(static_cast<char>(frame.command));
    return commands;
}

bool EcuSimulator::waitForFrames(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_frames.size() >= count; });
}

qint64 EcuSimulator::skippedBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_skippedBytes;
}

QByteArray EcuSimulator::memory(quint32 address, int length) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bootloader.memory().read(address, length);
}

QVector<QPair<quint32, quint32>> EcuSimulator::writtenRanges() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bootloader.memory().writtenRanges();
}

bool EcuSimulator::saveIntelHex(const QString &path, QString *errorString) const
{
    SparseMemory snapshot;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        snapshot = m_bootloader.memory();
    }
    QString error;
    const bool saved = IntelHexWriter::save(snapshot, path, &error);
    if (errorString)
        *errorString = error;
    return saved;
}

EcuSimulator::State EcuSimulator::state() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bootloader.state();
}

void EcuSimulator::run()
{
    QByteArray buffer(ReadBufferSize, '\0');
    // Only this thread closes the line while it runs, so it reads the descriptor unlocked.
    while (m_line.isOpen()) {
        pollfd fds[2] = {{m_line.masterDescriptor(), POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        char drain[64];
        while (::read(m_wakeRead, drain, sizeof drain) > 0) {
        }
        bool hangUpNow;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stopping)
                break;
            hangUpNow = m_framesUntilHangUp == 0;
            if (hangUpNow)
                m_framesUntilHangUp = -1;
        }
        if (hangUpNow) {
            closeLine();
            break;
        }
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

void EcuSimulator::receive(const QByteArray &bytes, Clock::time_point readAt)
{
    // On the line clock a byte arrives one byte time after the one before it, and never
    // before it was read.
    const Clock::duration perByte = byteTime();
    const Clock::time_point firstArrival =
        perByte == Clock::duration::zero() ? readAt : std::max(m_lastArrival, readAt) + perByte;
    const qint64 firstPosition = m_receivedBytes;
    m_receivedBytes += bytes.size();
    m_lastArrival = firstArrival + perByte * (bytes.size() - 1);

    m_reader.append(bytes);
    for (;;) {
        const qint64 skippedBefore = m_reader.skippedBytes();
        const QByteArray frame = m_reader.takeFrame();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_skippedBytes += m_reader.skippedBytes() - skippedBefore;
        }
        if (frame.isEmpty() || m_stopping || !m_line.isOpen())
            return;
        const qint64 lastPosition = m_reader.consumedBytes() - 1;
        handleFrame(frame, firstArrival + perByte * (lastPosition - firstPosition));
    }
}

void EcuSimulator::handleFrame(const QByteArray &frame, Clock::time_point arrivedAt)
{
    if (!sleepUntil(arrivedAt))
        return;
    const quint8 code = quint8(frame.at(3));
    const bool checksumOk = hasValidChecksum(frame);
    const qint64 atMs = steadyMs(arrivedAt);

    Fault fault;
    int answered;
    bool hangUpAfterAnswer = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const quint8 status = m_bootloader.handle(frame);
        fault = m_commandFaults.value(code);
        if (fault.silent || fault.hangUp)
            answered = -1;
        else
            answered = fault.status >= 0 ? (fault.status & 0xFF) : status;
        m_frames.append({atMs, code, frame, checksumOk, answered});
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
    if (answered >= 0) {
        QByteArray answer = responseFrame(quint8(answered));
        if (fault.wrongChecksum)
            answer[ResponseFrameSize - 1] = char(answer.at(ResponseFrameSize - 1) ^ 0x01);
        sendAnswer(answer + fault.extraBytes, fault, arrivedAt);
    }
    if (hangUpAfterAnswer) {
        if (answered >= 0)
            waitUntilAnswerTaken();
        closeLine();
    }
}

void EcuSimulator::sendAnswer(const QByteArray &answer, const Fault &fault, Clock::time_point arrivedAt)
{
    if (!sleepUntil(arrivedAt + std::chrono::milliseconds(fault.delayMs)))
        return;
    QVector<QByteArray> pieces;
    int position = 0;
    for (int size : fault.pieces) {
        if (size <= 0 || position >= answer.size())
            continue;
        pieces.append(answer.mid(position, size));
        position += pieces.last().size();
    }
    if (position < answer.size())
        pieces.append(answer.mid(position));

    for (int i = 0; i < pieces.size(); ++i) {
        if (i > 0 && !sleepUntil(Clock::now() + std::chrono::milliseconds(fault.gapMs)))
            return;
        if (!sendPaced(pieces.at(i)))
            return;
    }
}

bool EcuSimulator::sendPaced(const QByteArray &bytes)
{
    const Clock::duration perByte = byteTime();
    if (perByte == Clock::duration::zero())
        return writeToLine(bytes);
    for (char byte : bytes) {
        const Clock::time_point sentAt = std::max(m_lineFreeAt, Clock::now()) + perByte;
        if (!sleepUntil(sentAt) || !writeToLine(QByteArray(1, byte)))
            return false;
        m_lineFreeAt = sentAt;
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

bool EcuSimulator::sleepUntil(Clock::time_point until)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait_until(lock, until, [this] { return m_stopping.load(); });
    return !m_stopping;
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

void EcuSimulator::wakeThread()
{
    if (m_wakeWrite >= 0) {
        const char wake = 1;
        while (::write(m_wakeWrite, &wake, 1) < 0 && errno == EINTR) {
        }
    }
}

EcuSimulator::Clock::duration EcuSimulator::byteTime() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_baud == 0)
        return Clock::duration::zero();
    // 8N1: a start bit, eight data bits and a stop bit for every byte.
    return std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(10'000'000'000LL / m_baud));
}

qint64 EcuSimulator::steadyMs(Clock::time_point at)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}
