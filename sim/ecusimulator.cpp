#include "ecusimulator.h"

#include "intelhexwriter.h"

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
    if (opened && !m_wake.open(&error)) {
        closeLine();
        opened = false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_errorString = error;
    if (!opened)
        return false;
    m_reader = FrameReader();
    m_clock = LineClock();
    m_scheduled.clear();
    m_stopping = false;
    m_portPath = m_line.slavePath();
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
    m_wake.wake();
    if (m_thread.joinable())
        m_thread.join();
    closeLine();
    m_wake.close();
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
    m_baud = qMax(baud, RateOfThePort);
}

void EcuSimulator::setClockError(double percent)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_clockErrorPercent = percent;
}

void EcuSimulator::refuseDataFrame(int n)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_dataFramesUntilRefusal = qMax(n, 0);
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
    m_dataFramesUntilRefusal = 0;
}

void EcuSimulator::hangUpAfterFrames(int n)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_framesUntilHangUp = qMax(n, 0);
    }
    if (n <= 0) {
        // Whatever the thread waits for, pacing included, it stops waiting.
        m_changed.notify_all();
        m_wake.wake();
    }
}

bool EcuSimulator::sendRaw(const QByteArray &bytes)
{
    return writeToLine(bytes);
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
