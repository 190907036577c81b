// Flashes a 256 KiB image through the window at 115200 baud into a unit that paces the
// line, and sets the time taken against the least the line and the fixed waits allow.

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include "benchsupport.h"
#include "protocol/timings.h"
#include "protocol/bootprotocol.h"
#include "sampleimage.h"

namespace {

constexpr int IMAGE_SIZE = 256 * 1024;
// The DTR/RTS pulse and the wait before Erase.
constexpr double FIXED_WAITS_S = (LINE_PULSE_MS + LINE_SETTLE_MS + COMMAND_DELAY_MS) / 1000.0;
constexpr double TARGET_RATIO = 1.02;

// Every frame on the line and its answer, if it had one.
qint64 LineBytes(const QVector<EcuSimulator::ReceivedFrame> &frames)
{
    qint64 bytes = 0;
    for (const EcuSimulator::ReceivedFrame &frame : frames)
        bytes += frame.bytes.size() + (frame.answeredStatus >= 0 ? RESPONSE_FRAME_SIZE : 0);
    return bytes;
}

} // namespace

class BenchWireEfficiency : public QObject
{
    Q_OBJECT

private slots:
    void flash()
    {
        QTemporaryDir directory;
        const QString romPath = directory.filePath("wire.rom");
        const QByteArray image = SampleImage(IMAGE_SIZE, 7);
        QVERIFY2(directory.isValid() && WriteRomFile(romPath, BENCH_ADDRESS, image), "cannot write the ROM file");
        QVERIFY2(bench.start(true), "cannot set up the simulated unit");
        QVERIFY(bench.driver.chooseRomFile(romPath));

        QElapsedTimer timer;
        timer.start();
        QVERIFY2(bench.driver.run(WindowDriver::Flash), "the flash did not succeed");
        const double measuredS = timer.nsecsElapsed() / 1e9;
        QVERIFY2(bench.unit.memory(BENCH_ADDRESS, IMAGE_SIZE) == image, "the unit does not hold the image");

        const qint64 lineBytes = LineBytes(bench.unit.frames());
        const double minimumS = LineTimeMs(lineBytes, BENCH_BAUD) / 1000.0 + FIXED_WAITS_S;
        const double ratio = measuredS / minimumS;
        Report("measured time", Figure(measuredS, 3, "s"));
        Report(QString("line minimum (%1 bytes at 10 bits) + fixed waits %2 s").arg(lineBytes).arg(FIXED_WAITS_S),
               Figure(minimumS, 3, "s"));
        Report("measured / minimum", Figure(ratio, 4), "<= " + Figure(TARGET_RATIO, 2), ratio <= TARGET_RATIO);
    }

private:
    BenchUnit bench;
};

QTEST_MAIN(BenchWireEfficiency)
#include "wireefficiency.moc"
