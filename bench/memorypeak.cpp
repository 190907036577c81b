// Peak resident memory of the tool while it flashes a 256 KiB and a 16 MiB image. Each
// flash runs in a fresh process (this program started again with --flash), against a unit
// of this process, so that neither the other image nor the unit's copy of it is counted.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>

#include "benchsupport.h"
#include "sampleimage.h"

namespace {

constexpr int KIB = 1024;
constexpr quint32 IMAGE_ADDRESS = 0x80000;
// Flash holds the checked image in memory: 16 MiB of image and little besides.
constexpr qint64 TARGET_GROWTH_KIB = 64 * 1024;
constexpr int FLASH_WAIT_MS = 120000;
const char FLASH_ARGUMENT[] = "--flash";

// VmHWM of /proc/self/status: the most this process has had resident so far.
qint64 PeakResidentKib()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

// The child: one Flash of romPath through the window, then its peaks, once connected and
// after the flash, on stdout.
int FlashAndReport(const QString &romPath, const QString &portPath)
{
    SwitchOffDebugOutput();
    Norvane window;
    window.show();
    WindowDriver driver(window);
    const bool connected = driver.connectTo(portPath) && window.serialPort->setBaudRate(FAST_LINE_BAUD);
    if (!connected || !driver.chooseRomFile(romPath)) {
        qWarning("bench-memory: cannot connect the window or choose %s", qPrintable(romPath));
        return 1;
    }
    const qint64 connectedKib = PeakResidentKib();
    if (!driver.run(WindowDriver::Flash)) {
        qWarning("bench-memory: the flash ended with \"%s\"", qPrintable(driver.lastLogLine()));
        return 1;
    }
    std::printf("%lld %lld\n", static_cast<long long>(connectedKib), static_cast<long long>(PeakResidentKib()));
    return 0;
}

} // namespace

class BenchMemory : public QObject
{
    Q_OBJECT

private slots:
    void flash()
    {
        QTemporaryDir directory;
        QVERIFY(directory.isValid());
        const auto mib = [](qint64 kib) { return Figure(kib / 1024.0, 2, "MiB"); };
        QVector<qint64> flashedKib;
        for (int sizeKib : {256, 16 * KIB}) {
            const QString romPath = directory.filePath(QString("image-%1KiB.rom").arg(sizeKib));
            QVERIFY(WriteRomFile(romPath, IMAGE_ADDRESS, SampleImage(sizeKib * KIB, sizeKib)));
            EcuSimulator unit;
            unit.setLineRate(FAST_LINE_BAUD);
            QVERIFY2(unit.start(), "cannot start the simulated unit");
            QProcess tool;
            tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            tool.start(QCoreApplication::applicationFilePath(), {FLASH_ARGUMENT, romPath, unit.portPath()});
            QVERIFY2(tool.waitForFinished(FLASH_WAIT_MS), "the flashing process did not end within its bound");
            const QList<QByteArray> peaks = tool.readAllStandardOutput().trimmed().split(' ');
            QVERIFY2(tool.exitCode() == 0 && peaks.size() == 2, qPrintable("the flash of " + romPath + " failed"));
            Report(QString("%1 KiB image, peak once connected").arg(sizeKib), mib(peaks.at(0).toLongLong()));
            Report(QString("%1 KiB image, peak after the flash").arg(sizeKib), mib(peaks.at(1).toLongLong()));
            flashedKib.append(peaks.at(1).toLongLong());
        }
        const qint64 growthKib = flashedKib.at(1) - flashedKib.at(0);
        Report("peak growth, 16 MiB flash over 256 KiB flash", mib(growthKib), "< " + mib(TARGET_GROWTH_KIB),
               growthKib < TARGET_GROWTH_KIB);
    }
};

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == FLASH_ARGUMENT)
        return FlashAndReport(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    BenchMemory bench;
    return QTest::qExec(&bench, argc, argv);
}

#include "memorypeak.moc"
