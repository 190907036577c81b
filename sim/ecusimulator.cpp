#include "sim/ecusimulator.h"

#include "sim/intelhexwriter.h"

EcuSimulator::EcuSimulator() = default;

EcuSimulator::~EcuSimulator()
{
    stop();
}

bool EcuSimulator::start()
{
    if (isLineOpen()) {
        std::lock_guard<std::mutex> lock(mutex);
        lastError = QStringLiteral("already running");
        return false;
    }
    stop();

    QString error;
    bool opened;
    {
        std::lock_guard<std::mutex> lineLock(lineMutex);
        opened = line.open(&error);
    }
    if (opened && !wakePipe.open(&error)) {
        closeLine();
        opened = false;
    }
    std::lock_guard<std::mutex> lock(mutex);
    lastError = error;
    if (!opened)
        return false;
    reader = FrameReader();
    lineClock = LineClock();
    scheduled.clear();
    stopping = false;
    openedPortPath = line.slavePath();
    thread = std::thread(&EcuSimulator::run, this);
    return true;
}

void EcuSimulator::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    changed.notify_all();
    wakePipe.wake();
    if (thread.joinable())
        thread.join();
    closeLine();
    wakePipe.close();
}

bool EcuSimulator::isLineOpen() const
{
    std::lock_guard<std::mutex> lineLock(lineMutex);
    return line.isOpen();
}

QString EcuSimulator::portPath() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return openedPortPath;
}

QString EcuSimulator::errorString() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return lastError;
}

void EcuSimulator::setLineRate(int baud)
{
    std::lock_guard<std::mutex> lock(mutex);
    lineBaud = qMax(baud, RateOfThePort);
}

void EcuSimulator::setClockError(double percent)
{
    std::lock_guard<std::mutex> lock(mutex);
    clockErrorPercent = percent;
}

void EcuSimulator::refuseDataFrame(int n)
{
    std::lock_guard<std::mutex> lock(mutex);
    dataFramesUntilRefusal = qMax(n, 0);
}

void EcuSimulator::setCommandFault(quint8 commandCode, const Fault &fault)
{
    std::lock_guard<std::mutex> lock(mutex);
    commandFaults.insert(commandCode, fault);
}

void EcuSimulator::clearFaults()
{
    std::lock_guard<std::mutex> lock(mutex);
    commandFaults.clear();
    framesUntilHangUp = -1;
    dataFramesUntilRefusal = 0;
}

void EcuSimulator::hangUpAfterFrames(int n)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        framesUntilHangUp = qMax(n, 0);
    }
    if (n <= 0) {
        // Whatever the thread waits for, pacing included, it stops waiting.
        changed.notify_all();
        wakePipe.wake();
    }
}

bool EcuSimulator::sendRaw(const QByteArray &bytes)
{
    return writeToLine(bytes);
}

QVector<EcuSimulator::ReceivedFrame> EcuSimulator::frames() const
{
    std::lock_guard<std::mutex> lock(mutex);
    // A copy that shares no array with receivedFrames, which the simulator's thread appends to.
    QVector<ReceivedFrame> copy = receivedFrames;
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
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return receivedFrames.size() >= count; });
}

qint64 EcuSimulator::skippedBytes() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return skippedByteCount;
}

QByteArray EcuSimulator::memory(quint32 address, int length) const
{
    std::lock_guard<std::mutex> lock(mutex);
    return bootloader.memory().read(address, length);
}

QVector<QPair<quint32, quint32>> EcuSimulator::writtenRanges() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return bootloader.memory().writtenRanges();
}

bool EcuSimulator::saveIntelHex(const QString &path, QString *errorString) const
{
    SparseMemory snapshot;
    {
        std::lock_guard<std::mutex> lock(mutex);
        snapshot = bootloader.memory();
    }
    QString error;
    const bool saved = IntelHexWriter::save(snapshot, path, &error);
    if (errorString)
        *errorString = error;
    return saved;
}

EcuSimulator::State EcuSimulator::state() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return bootloader.state();
}
