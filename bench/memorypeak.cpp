// Peak resident memory of the tool while it flashes a 256 KiB and a 16 MiB image. Each
// flash runs in a fresh process (this program started again with --flash), against an
// ecu-sim process, so that neither the other image nor the unit's copy of it is counted.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

#include "app/norvane.h"
#include "resulttable.h"
#include "sampleimage.h"
#include "windowsetup.h"

namespace {

constexpr qint64 KIB = 1024;
constexpr quint32 IMAGE_ADDRESS = 0x80000;
// Flash holds the checked image in memory: 16 MiB of image and little besides.
constexpr qint64 TARGET_GROWTH_KIB = 64 * 1024;
constexpr int PORT_WAIT_MS = 5000;
constexpr int FLASH_WAIT_MS = 120000;
const char FLASH_ARGUMENT[] = "--flash";

struct Peaks {
    qint64 connectedKib = 0;  // high-water mark once connected, before the flash
    qint64 flashedKib = 0;    // high-water mark after the flash
};

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

int Fail(const QString &why)
{
    std::fprintf(stderr, "bench-memory: %s\n", qPrintable(why));
    return 1;
}

// The child: one Flash of romPath through the window, then its peaks on stdout.
int FlashAndReport(const QString &romPath, const QString &portPath)
{
    Norvane window;
    window.show();
    if (!ConnectWindow(window, portPath, "115200"))
        return Fail("cannot connect the window to " + portPath);
    ChooseRomFile(window, romPath);
    const qint64 connectedKib = PeakResidentKib();
    window.flashButton->click();
    if (LastLogLine(window) != "[Flash Hanlder] Reset success")
        return Fail("the flash of " + romPath + " did not succeed");
    std::printf("%lld %lld\n", static_cast<long long>(connectedKib), static_cast<long long>(PeakResidentKib()));
    return 0;
}

// Reads the port path that ecu-sim prints first.
QString WaitForPortPath(const QString &outputPath)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < PORT_WAIT_MS) {
        QFile output(outputPath);
        if (output.open(QIODevice::ReadOnly)) {
            const QByteArray text = output.readAll();
            if (text.contains('\n'))
                return QString::fromLocal8Bit(text.left(text.indexOf('\n')));
        }
        QThread::msleep(20);
    }
    return QString();
}

bool MeasureFlash(const QTemporaryDir &directory, const QString &romPath, Peaks *peaks, QString *error)
{
    const QString simOutput = directory.filePath(QFileInfo(romPath).baseName() + "-sim.txt");
    QProcess sim;
    sim.setStandardOutputFile(simOutput);
    sim.setStandardErrorFile(QProcess::nullDevice());
    sim.start(ECU_SIM_PROGRAM, QStringList());
    const QString portPath = WaitForPortPath(simOutput);
    if (portPath.isEmpty()) {
        *error = "ecu-sim printed no port";
        sim.kill();
        sim.waitForFinished();
        return false;
    }

    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {FLASH_ARGUMENT, romPath, portPath});
    const bool finished = child.waitForFinished(FLASH_WAIT_MS);
    const QList<QByteArray> numbers = child.readAllStandardOutput().trimmed().split(' ');
    sim.terminate();
    sim.waitForFinished();
    if (!finished || child.exitCode() != 0 || numbers.size() != 2) {
        *error = "the flashing process failed for " + romPath;
        return false;
    }
    peaks->connectedKib = numbers.at(0).toLongLong();
    peaks->flashedKib = numbers.at(1).toLongLong();
    return true;
}

QString Mib(qint64 kib)
{
    return ResultTable::number(kib / 1024.0, 2) + " MiB";
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // One debug line per frame would only clutter the tables.
    QLoggingCategory::setFilterRules("default.debug=false");

    const QStringList arguments = application.arguments();
    if (arguments.size() == 4 && arguments.at(1) == FLASH_ARGUMENT)
        return FlashAndReport(arguments.at(2), arguments.at(3));

    QTemporaryDir directory;
    if (!directory.isValid())
        return Fail("no temporary directory");
    const QVector<qint64> sizes = {256 * KIB, 16 * KIB * KIB};
    QVector<Peaks> results;
    for (qint64 size : sizes) {
        const QString romPath = directory.filePath(QString("image-%1KiB.rom").arg(size / KIB));
        if (!WriteRomFile(romPath, IMAGE_ADDRESS, SampleImage(int(size), int(size / KIB))))
            return Fail("cannot write " + romPath);
        Peaks peaks;
        QString error;
        if (!MeasureFlash(directory, romPath, &peaks, &error))
            return Fail(error);
        results.append(peaks);
    }

    const qint64 growthKib = results.at(1).flashedKib - results.at(0).flashedKib;
    ResultTable table("Memory: peak resident memory (VmHWM) of the tool process, Flash button, ecu-sim process",
                      {"measure", "256 KiB image", "16 MiB image", "target", "result"});
    table.addRow({"peak once connected, before the flash",
                  Mib(results.at(0).connectedKib), Mib(results.at(1).connectedKib), "", ""});
    table.addRow({"peak after the flash",
                  Mib(results.at(0).flashedKib), Mib(results.at(1).flashedKib), "", ""});
    table.addRow({"peak growth, 16 MiB flash - 256 KiB flash", "", Mib(growthKib),
                  "< " + Mib(TARGET_GROWTH_KIB), ResultTable::verdict(growthKib < TARGET_GROWTH_KIB)});
    table.print();
    return 0;
}
