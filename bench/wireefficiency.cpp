// Flashes a 256 KiB image through the window at 115200 baud into a unit that paces the
// line, and sets the time taken against the least the line and the fixed waits allow.

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "resulttable.h"
#include "sampleimage.h"
#include "windowsetup.h"

namespace {

constexpr int BAUD = 115200;
constexpr double BITS_PER_BYTE = 10.0;
constexpr int ANSWER_SIZE = 8;
constexpr int IMAGE_SIZE = 256 * 1024;
constexpr quint32 IMAGE_ADDRESS = 0x80000;
constexpr int SEED = 7;
// DTR/RTS pulse (100 ms + 2000 ms) and the wait before Erase (2000 ms).
constexpr double FIXED_WAITS_S = 4.1;
constexpr double PULSE_WAITS_S = 2.1;
constexpr double ERASE_WAIT_S = 2.0;
constexpr double TARGET_RATIO = 1.02;

double WireSeconds(qint64 bytes)
{
    return bytes * BITS_PER_BYTE / BAUD;
}

qint64 SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

int Fail(const char *why)
{
    std::fprintf(stderr, "bench-wire-efficiency: %s\n", why);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // One debug line per frame would only clutter the tables.
    QLoggingCategory::setFilterRules("default.debug=false");

    QTemporaryDir directory;
    const QString romPath = directory.filePath("wire.rom");
    const QByteArray image = SampleImage(IMAGE_SIZE, SEED);
    if (!directory.isValid() || !WriteRomFile(romPath, IMAGE_ADDRESS, image))
        return Fail("cannot write the ROM file");

    EcuSimulator unit;
    unit.setLineRate(BAUD);
    if (!unit.start())
        return Fail("cannot start the simulated unit");

    Norvane window;
    window.show();
    if (!ConnectWindow(window, unit.portPath(), QString::number(BAUD)))
        return Fail("cannot connect the window");
    ChooseRomFile(window, romPath);

    const qint64 startMs = SteadyMs();
    QElapsedTimer timer;
    timer.start();
    window.flashButton->click();
    const double measuredS = timer.nsecsElapsed() / 1e9;
    const qint64 endMs = SteadyMs();

    if (LastLogLine(window) != "[Flash Hanlder] Reset success")
        return Fail("the flash did not succeed");
    if (unit.memory(IMAGE_ADDRESS, IMAGE_SIZE) != image)
        return Fail("the unit does not hold the image");

    const QVector<EcuSimulator::ReceivedFrame> frames = unit.frames();
    qint64 lineBytes = 0;
    for (const EcuSimulator::ReceivedFrame &frame : frames)
        lineBytes += frame.bytes.size() + (frame.answeredStatus >= 0 ? ANSWER_SIZE : 0);
    const double minimumS = WireSeconds(lineBytes) + FIXED_WAITS_S;
    const double ratio = measuredS / minimumS;

    // Where the line stood idle, from the unit's arrival times (whole milliseconds): a
    // request started on the line one request's wire time before its last byte arrived.
    const double answerS = WireSeconds(ANSWER_SIZE);
    const auto requestStartS = [&](const EcuSimulator::ReceivedFrame &frame) {
        return frame.atMs / 1000.0 - WireSeconds(frame.bytes.size());
    };
    const double leadS = requestStartS(frames.first()) - startMs / 1000.0;
    double gapsS = 0;
    for (int i = 1; i < frames.size(); ++i)
        gapsS += requestStartS(frames.at(i)) - (frames.at(i - 1).atMs / 1000.0 + answerS);
    const double tailS = endMs / 1000.0 - (frames.last().atMs / 1000.0 + answerS);

    ResultTable table("Wire efficiency: 256 KiB image, Flash button, 115200 baud, paced unit",
                      {"measure", "value", "target", "result"});
    table.addRow({"measured time", ResultTable::number(measuredS, 3) + " s", "", ""});
    table.addRow({QString("line minimum (%1 bytes at 10 bits) + fixed waits %2 s").arg(lineBytes).arg(FIXED_WAITS_S),
                  ResultTable::number(minimumS, 3) + " s", "", ""});
    table.addRow({"measured / minimum", ResultTable::number(ratio, 4),
                  "<= " + ResultTable::number(TARGET_RATIO, 2), ResultTable::verdict(ratio <= TARGET_RATIO)});
    table.addRow({QString("  idle before the first request, beyond the %1 s pulse").arg(PULSE_WAITS_S),
                  ResultTable::number((leadS - PULSE_WAITS_S) * 1000, 0) + " ms", "", ""});
    table.addRow({QString("  idle between answers and requests (%1 gaps), beyond the %2 s erase wait")
                      .arg(frames.size() - 1).arg(ERASE_WAIT_S),
                  ResultTable::number((gapsS - ERASE_WAIT_S) * 1000, 0) + " ms", "", ""});
    table.addRow({"  after the last answer", ResultTable::number(tailS * 1000, 0) + " ms", "", ""});
    table.addNote(QString("%1 frames; the idle rows come from the unit's arrival times and are good to a few ms.")
                      .arg(frames.size()));
    table.print();
    return 0;
}
