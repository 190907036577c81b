// Times the transfer of 1 MiB and 16 MiB images into a unit that does not pace the line,
// to see what the tool itself spends on each data frame: from the moment the answer to one
// frame is read to the moment the tool starts writing the next one.

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QSerialPort>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "portwritewatch.h"
#include "resulttable.h"
#include "sampleimage.h"
#include "rom/romimage.h"
#include "windowsetup.h"

namespace {

using Moment = PortWriteWatch::Moment;

constexpr qint64 MIB = 1024 * 1024;
constexpr qint64 CHUNK_SIZE = 16384;
constexpr int DATA_FRAME_SIZE = 16396;
constexpr quint32 IMAGE_ADDRESS = 0x80000;
constexpr int RUNS = 5;
constexpr double TARGET_MS_PER_FRAME = 1.0;
// Per-frame time of the large image over that of the small one; the rest is noise.
constexpr double TARGET_GROWTH = 1.25;
// Frames at each end of a long transfer, to see whether the time drifts within it.
constexpr int END_FRAMES = 64;

struct TransferRun {
    double toolMs = 0;      // answer read to the next frame's first write, mean per frame
    double toolCpuMs = 0;   // the tool thread's CPU time over the same spans
    double unitMs = 0;      // the unit's arrival of one data frame to the next
    double callMs = 0;      // the whole SendFlashApplication call, per frame
    double firstFramesMs = 0;  // toolMs over the first END_FRAMES frames only
    double lastFramesMs = 0;   // and over the last END_FRAMES; both 0 for a short transfer
};

double Median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

int Fail(const QString &why)
{
    std::fprintf(stderr, "bench-tool-overhead: %s\n", qPrintable(why));
    return 1;
}

using Span = QPair<Moment, Moment>;

double MeanWallMs(const QVector<Span> &spans)
{
    qint64 wallNs = 0;
    for (const Span &span : spans)
        wallNs += span.second.steadyNs - span.first.steadyNs;
    return wallNs / 1e6 / spans.size();
}

// Pairs each write that follows a read with the last read before it: the answer taken in,
// and the next frame going out.
QVector<Span> Turnarounds(const QVector<Moment> &reads, const QVector<Moment> &writes)
{
    QVector<Span> spans;
    int next = 0;
    for (const Moment &write : writes) {
        const int readsBefore = next;
        while (next < reads.size() && reads.at(next).steadyNs <= write.steadyNs)
            ++next;
        if (next > readsBefore)
            spans.append({reads.at(next - 1), write});
    }
    return spans;
}

class TransferBench
{
public:
    TransferBench(Norvane &window, EcuSimulator &unit)
        : window(window), unit(unit)
    {
        QObject::connect(window.serialPort, &QSerialPort::readyRead, window.serialPort,
                         [this] { reads.append(Moment::now()); });
        PortWriteWatch::watch(int(window.serialPort->handle()));
    }

    // One Jump, Erase and transfer; false if a step fails or the unit's memory is wrong.
    bool run(const RomImage &image, TransferRun *result)
    {
        window.AppendLog(Clear, "");
        if (window.SendJumpToBootloader() != Success || window.SendEraseApplication() != Success)
            return false;
        window.AppendLog(Info, "[Flash Hanlder] Flashing.. 0%");
        const int framesBefore = unit.frames().size();
        reads.clear();
        PortWriteWatch::takeWrites();

        QElapsedTimer timer;
        timer.start();
        const CommandResult sent = window.SendFlashApplication(image);
        const double callMs = timer.nsecsElapsed() / 1e6;
        const QVector<Moment> writes = PortWriteWatch::takeWrites();
        if (sent != Success)
            return false;

        const int size = image.bytes.size();
        const int count = size / CHUNK_SIZE;
        QVector<qint64> arrivals;
        const QVector<EcuSimulator::ReceivedFrame> frames = unit.frames();
        for (int i = framesBefore; i < frames.size(); ++i)
            if (frames.at(i).bytes.size() == DATA_FRAME_SIZE)
                arrivals.append(frames.at(i).atMs);
        // From the Flash start's answer to the first frame, then from each answer to the next.
        const QVector<Span> spans = Turnarounds(reads, writes);
        if (arrivals.size() != count || spans.size() != count
            || unit.memory(IMAGE_ADDRESS, size) != image.bytes)
            return false;

        qint64 cpuNs = 0;
        for (const Span &span : spans)
            cpuNs += span.second.threadCpuNs - span.first.threadCpuNs;
        result->toolMs = MeanWallMs(spans);
        result->toolCpuMs = cpuNs / 1e6 / count;
        if (count >= 2 * END_FRAMES) {
            result->firstFramesMs = MeanWallMs(spans.mid(0, END_FRAMES));
            result->lastFramesMs = MeanWallMs(spans.mid(count - END_FRAMES));
        }
        result->unitMs = double(arrivals.last() - arrivals.first()) / (count - 1);
        result->callMs = callMs / count;
        return true;
    }

private:
    Norvane &window;
    EcuSimulator &unit;
    QVector<Moment> reads;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // One debug line per frame would only clutter the tables.
    QLoggingCategory::setFilterRules("default.debug=false");

    QTemporaryDir directory;
    if (!directory.isValid())
        return Fail("no temporary directory");
    EcuSimulator unit;
    if (!unit.start())
        return Fail("cannot start the simulated unit");
    Norvane window;
    window.show();
    if (!ConnectWindow(window, unit.portPath(), "115200"))
        return Fail("cannot connect the window");
    TransferBench bench(window, unit);

    QVector<TransferRun> medians;
    for (qint64 size : {1 * MIB, 16 * MIB}) {
        const QString romPath = directory.filePath(QString("image-%1MiB.rom").arg(size / MIB));
        if (!WriteRomFile(romPath, IMAGE_ADDRESS, SampleImage(int(size), int(size / MIB))))
            return Fail("cannot write " + romPath);
        RomImage image;
        QString reason;
        if (!ReadRomImage(romPath, &image, &reason))
            return Fail(romPath + ": " + reason);

        QVector<double> tool, toolCpu, unitSpan, call, firstFrames, lastFrames;
        for (int i = 0; i < RUNS; ++i) {
            TransferRun run;
            if (!bench.run(image, &run))
                return Fail(QString("the transfer of %1 MiB failed").arg(size / MIB));
            tool.append(run.toolMs);
            toolCpu.append(run.toolCpuMs);
            unitSpan.append(run.unitMs);
            call.append(run.callMs);
            firstFrames.append(run.firstFramesMs);
            lastFrames.append(run.lastFramesMs);
        }
        medians.append({Median(tool), Median(toolCpu), Median(unitSpan), Median(call),
                        Median(firstFrames), Median(lastFrames)});
    }

    const TransferRun &small = medians.at(0);
    const TransferRun &large = medians.at(1);
    const auto ms = [](double value) { return ResultTable::number(value, 3) + " ms"; };
    const auto below = [](double a, double b) {
        return ResultTable::verdict(a < TARGET_MS_PER_FRAME && b < TARGET_MS_PER_FRAME);
    };
    const double growth = large.toolMs / small.toolMs;

    ResultTable table(QString("Tool overhead: transfer (SendFlashApplication after Jump and Erase), unpaced unit, "
                              "per data frame, median of %1 runs").arg(RUNS),
                      {"measure", "1 MiB (64 frames)", "16 MiB (1024 frames)", "target", "result"});
    table.addRow({"tool: answer read -> next frame's first write", ms(small.toolMs), ms(large.toolMs),
                  "< 1 ms", below(small.toolMs, large.toolMs)});
    table.addRow({"  of which tool thread CPU", ms(small.toolCpuMs), ms(large.toolCpuMs), "", ""});
    table.addRow({"growth 16 MiB / 1 MiB, tool per frame", "", ResultTable::number(growth, 2),
                  "<= " + ResultTable::number(TARGET_GROWTH, 2), ResultTable::verdict(growth <= TARGET_GROWTH)});
    table.addRow({QString("  tool, first %1 frames -> last %1 frames").arg(END_FRAMES),
                  "", ms(large.firstFramesMs) + " -> " + ms(large.lastFramesMs), "", ""});
    table.addRow({"unit's arrival to arrival (upper bound, unit included)", ms(small.unitMs), ms(large.unitMs), "", ""});
    table.addRow({"whole call (Flash start included)", ms(small.callMs), ms(large.callMs), "", ""});
    table.addNote("Tool rows: from the port's readyRead for an answer to the tool's first write() of the next");
    table.addNote("frame, timed on the tool's thread. The unit only records a frame's last byte, so its row");
    table.addNote("also holds the line's copying and the unit's own handling. Debug output is switched off.");
    table.print();
    return 0;
}
