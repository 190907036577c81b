// Whole flashes by varnholt-cli, whose unit processes run the window's code. One 256 KiB
// image at 115200 baud into 1, 2 and 4 units at once, each line paced: one unit against the
// least that the line and the fixed waits allow, more units against one. And the peak
// memory of a 256 KiB and of a 16 MiB flash, each by the window's code, which the command
// line's unit processes run, in a fresh process over the fast line: the command line offers
// the window's rates only, at which 16 MiB take 24 minutes.

#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

#include "benchsupport.h"
#include "protocol/bootprotocol.h"
#include "protocol/timings.h"
#include "sampleimage.h"

namespace {

constexpr int KIB = 1024;
constexpr int PACED_IMAGE_SIZE = 256 * KIB;
constexpr int MOST_UNITS = 4;
// Flash holds the checked image in memory: 16 MiB of image and little besides.
constexpr qint64 TARGET_GROWTH_KIB = 64 * 1024;
constexpr int FLASH_BOUND_MS = 180000;
const char PEAK_ARGUMENT[] = "--peak";

// Every frame on the line and its answer, if it had one.
qint64 LineBytes(const QVector<EcuSimulator::ReceivedFrame> &frames)
{
    qint64 bytes = 0;
    for (const EcuSimulator::ReceivedFrame &frame : frames)
        bytes += frame.bytes.size() + (frame.answeredStatus >= 0 ? RESPONSE_FRAME_SIZE : 0);
    return bytes;
}

// The peak of this process after a Flash of the file, -1 if it failed. VmHWM, not the
// rusage peak, which keeps what the process held before it started this program.
qint64 FlashedPeakKib(const QString &romPath, const QString &port)
{
    Norvane window;
    WindowDriver driver(window);
    if (!ConnectOverFastLine(driver, window, port) || !driver.chooseRomFile(romPath) || !driver.run(WindowDriver::Flash))
        return -1;
    QFile status("/proc/self/status");
    const QByteArray fields = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const int at = fields.indexOf("VmHWM:");
    return at < 0 ? -1 : fields.mid(at + 6, fields.indexOf('\n', at) - at - 6).trimmed().split(' ').first().toLongLong();
}

} // namespace

class BenchCliFlashes : public QObject
{
    Q_OBJECT

private slots:
    void unitsAtOnce_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("target");
        QTest::newRow("1 unit") << 1 << 1.02;
        QTest::newRow("2 units") << 2 << 1.15;
        QTest::newRow("4 units") << MOST_UNITS << 1.1;
    }

    void unitsAtOnce()
    {
        QFETCH(int, count);
        QFETCH(double, target);
        const QString romPath = folder.filePath("paced.rom");
        const QByteArray image = SampleImage(PACED_IMAGE_SIZE, count);
        QVERIFY(WriteRomFile(romPath, BENCH_ADDRESS, image));
        EcuSimulator units[MOST_UNITS];
        QStringList ports;
        for (int i = 0; i < count; ++i) {
            units[i].setLineRate(BENCH_BAUD);
            QVERIFY(units[i].start());
            ports << units[i].portPath();
        }
        const double seconds = CliFlashSeconds(romPath, ports, FLASH_BOUND_MS);
        QVERIFY2(seconds > 0, "the flash failed");
        for (int i = 0; i < count; ++i)
            QVERIFY2(units[i].memory(BENCH_ADDRESS, image.size()) == image, "a unit does not hold the image");
        Report(QString("256 KiB into %1 at once").arg(QTest::currentDataTag()), Figure(seconds, 3, "s"));
        if (count == 1)
            oneUnitS = seconds;
        const double baseS = count > 1 ? oneUnitS : (LineTimeMs(LineBytes(units[0].frames()), BENCH_BAUD)
                                                     + FIXED_WAITS_MS) / 1000.0;
        Report(count > 1 ? "  against 1 unit" : "  against the line and the fixed waits, " + Figure(baseS, 3, "s"),
               Figure(seconds / baseS, 4), "<= " + Figure(target, 2), seconds / baseS <= target);
    }

    // Each flash is started by this program run again with --peak, a fresh process: a child
    // can start out sharing its parent's memory, and this one has held whole ROM files.
    void memory()
    {
        const auto mib = [](qint64 kib) { return Figure(kib / 1024.0, 2, "MiB"); };
        QVector<qint64> peakKib;
        for (int sizeKib : {256, 16 * KIB}) {
            const QString romPath = folder.filePath(QString("image-%1KiB.rom").arg(sizeKib));
            QVERIFY(WriteRomFile(romPath, BENCH_ADDRESS, SampleImage(sizeKib * KIB, sizeKib)));
            EcuSimulator unit;
            unit.setLineRate(FAST_LINE_BAUD);
            QVERIFY(unit.start());
            QProcess launcher;
            launcher.start(QCoreApplication::applicationFilePath(), {PEAK_ARGUMENT, romPath, unit.portPath()});
            QVERIFY2(launcher.waitForFinished(FLASH_BOUND_MS), "the flash did not end within its bound");
            peakKib.append(launcher.readAllStandardOutput().trimmed().toLongLong());
            QVERIFY2(peakKib.last() > 0, "the flash failed");
            Report(QString("%1 KiB image, peak of the flashing process").arg(sizeKib), mib(peakKib.last()));
        }
        const qint64 growthKib = peakKib.at(1) - peakKib.at(0);
        Report("peak growth, 16 MiB flash over 256 KiB flash", mib(growthKib), "< " + mib(TARGET_GROWTH_KIB),
               growthKib < TARGET_GROWTH_KIB);
    }

private:
    QTemporaryDir folder;
    double oneUnitS = 0;
};

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc == 4 && qstrcmp(argv[1], PEAK_ARGUMENT) == 0) {
        QLoggingCategory::setFilterRules("default.debug=false");
        std::printf("%lld\n", static_cast<long long>(FlashedPeakKib(argv[2], argv[3])));
        return 0;
    }
    BenchCliFlashes bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "cliflashes.moc"
