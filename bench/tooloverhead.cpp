// Times the transfer of 1 MiB and 16 MiB images into a unit that does not pace the line,
// per data frame, to see what the tool itself spends on each frame.

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "imagepattern.h"
#include "resulttable.h"
#include "romfilewriter.h"
#include "windowsetup.h"

namespace {

constexpr qint64 MIB = 1024 * 1024;
constexpr qint64 CHUNK_SIZE = 16384;
constexpr int DATA_FRAME_SIZE = 16396;
constexpr quint32 IMAGE_ADDRESS = 0x80000;
constexpr int RUNS = 3;
constexpr double TARGET_MS_PER_FRAME = 1.0;
// Per-frame time of the large image over that of the small one; the rest is timer noise.
constexpr double TARGET_GROWTH = 1.25;

struct TransferRun {
    double wallMsPerFrame = 0;  // unit's arrival of one data frame to the next
    double cpuMsPerFrame = 0;   // the tool's thread, busy time
    double totalMsPerFrame = 0; // the whole SendFlashApplication call
};

double ThreadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

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

// One Jump, Erase and transfer; false if any step fails or the unit's memory is wrong.
bool Transfer(Norvane &window, EcuSimulator &unit, qint64 size, quint32 seed, TransferRun *run)
{
    window.AppendLog(Clear, "");
    if (window.SendJumpToBootloader() != Success || window.SendEraseApplication() != Success)
        return false;
    window.AppendLog(Info, "[Flash Hanlder] Flashing.. 0%");
    const int framesBefore = unit.frames().size();

    QElapsedTimer timer;
    const double cpuBefore = ThreadCpuMs();
    timer.start();
    const CommandResult result = window.SendFlashApplication();
    const double totalMs = timer.nsecsElapsed() / 1e6;
    const double cpuMs = ThreadCpuMs() - cpuBefore;
    if (result != Success)
        return false;

    QVector<qint64> arrivals;
    const QVector<EcuSimulator::ReceivedFrame> frames = unit.frames();
    for (int i = framesBefore; i < frames.size(); ++i)
        if (frames.at(i).bytes.size() == DATA_FRAME_SIZE)
            arrivals.append(frames.at(i).atMs);
    const int count = int(size / CHUNK_SIZE);
    if (arrivals.size() != count || unit.memory(IMAGE_ADDRESS, int(size)) != ImagePattern(seed).next(int(size)))
        return false;

    run->wallMsPerFrame = double(arrivals.last() - arrivals.first()) / (count - 1);
    run->cpuMsPerFrame = cpuMs / count;
    run->totalMsPerFrame = totalMs / count;
    return true;
}

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

    const QVector<qint64> sizes = {1 * MIB, 16 * MIB};
    QVector<TransferRun> medians;
    for (qint64 size : sizes) {
        const quint32 seed = quint32(size / MIB);
        const QString romPath = directory.filePath(QString("image-%1MiB.rom").arg(size / MIB));
        ImagePattern pattern(seed);
        if (!WriteRomFile(romPath, IMAGE_ADDRESS, size, pattern))
            return Fail("cannot write " + romPath);
        ChooseRomFile(window, romPath);

        QVector<double> wall, cpu, total;
        for (int i = 0; i < RUNS; ++i) {
            TransferRun run;
            if (!Transfer(window, unit, size, seed, &run))
                return Fail(QString("the transfer of %1 MiB failed").arg(size / MIB));
            wall.append(run.wallMsPerFrame);
            cpu.append(run.cpuMsPerFrame);
            total.append(run.totalMsPerFrame);
        }
        medians.append({Median(wall), Median(cpu), Median(total)});
    }

    ResultTable table("Tool overhead: transfer (SendFlashApplication after Jump and Erase), unpaced unit, "
                      "median of " + QString::number(RUNS) + " runs",
                      {"measure", "1 MiB (64 frames)", "16 MiB (1024 frames)", "target", "result"});
    const auto perFrame = [](double ms) { return ResultTable::number(ms, 3) + " ms"; };
    const TransferRun &small = medians.at(0);
    const TransferRun &large = medians.at(1);
    table.addRow({"wall time per data frame, upper bound of the tool's share",
                  perFrame(small.wallMsPerFrame), perFrame(large.wallMsPerFrame),
                  "< 1 ms", ResultTable::verdict(small.wallMsPerFrame < TARGET_MS_PER_FRAME
                                                 && large.wallMsPerFrame < TARGET_MS_PER_FRAME)});
    table.addRow({"tool thread CPU per data frame",
                  perFrame(small.cpuMsPerFrame), perFrame(large.cpuMsPerFrame),
                  "< 1 ms", ResultTable::verdict(small.cpuMsPerFrame < TARGET_MS_PER_FRAME
                                                 && large.cpuMsPerFrame < TARGET_MS_PER_FRAME)});
    table.addRow({"whole call per data frame (file scan, Flash start included)",
                  perFrame(small.totalMsPerFrame), perFrame(large.totalMsPerFrame), "", ""});
    const double wallGrowth = large.wallMsPerFrame / small.wallMsPerFrame;
    const double cpuGrowth = large.cpuMsPerFrame / small.cpuMsPerFrame;
    table.addRow({"growth 16 MiB / 1 MiB, wall per frame", "", ResultTable::number(wallGrowth, 2),
                  "<= " + ResultTable::number(TARGET_GROWTH, 2), ResultTable::verdict(wallGrowth <= TARGET_GROWTH)});
    table.addRow({"growth 16 MiB / 1 MiB, tool CPU per frame", "", ResultTable::number(cpuGrowth, 2),
                  "<= " + ResultTable::number(TARGET_GROWTH, 2), ResultTable::verdict(cpuGrowth <= TARGET_GROWTH)});
    table.addNote("The unit records only when a frame's last byte arrived, not its first, so the wall time");
    table.addNote("per frame (one arrival to the next) also holds the unit's answer, the line's copying and");
    table.addNote("the unit's reading: an upper bound of the tool's share. The tool thread's CPU time is");
    table.addNote("its own work (reading the file, building the frame, the progress line, port calls).");
    table.print();
    return 0;
}
