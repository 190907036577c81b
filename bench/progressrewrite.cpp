// The cost of one progress update against the number of lines already in the log, and a
// whole transfer with an empty log against one after many earlier lines. Every data frame's
// answer is followed by one update, so it counts against the tool's per-frame time.

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QStringList>

#include <algorithm>
#include <cstdio>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "resulttable.h"
#include "rom/romimage.h"
#include "sampleimage.h"
#include "windowsetup.h"

namespace {

constexpr int TIMED_UPDATES = 9;
constexpr int FLASH_RUNS = 3;
constexpr int LONG_LOG_LINES = 20000;
constexpr qint64 IMAGE_SIZE = 16 * 16384;
constexpr quint32 IMAGE_ADDRESS = 0x80000;
constexpr int IMAGE_SEED = 16;
// One data frame of 16396 bytes at 115200 baud, 10 bits a byte.
constexpr double FRAME_AT_115200_MS = 16396 * 10 * 1000.0 / 115200;

int Fail(const QString &why)
{
    std::fprintf(stderr, "bench-progress-rewrite: %s\n", qPrintable(why));
    return 1;
}

double Median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// A log of lineCount lines that ends with the progress line, as during a flash. The lines
// are logged one by one, as operations log them, so each is laid out as it comes.
void FillLog(Norvane &window, int lineCount)
{
    window.AppendLog(Clear, "");
    for (int i = 0; i < lineCount - 1; ++i)
        window.AppendLog(i % 2 == 0 ? Info : Error, QString("[Flash Hanlder] Earlier line %1").arg(i));
    window.AppendLog(Info, "[Flash Hanlder] Flashing.. 0%");
}

bool LogKeptItsLines(const Norvane &window, int lineCount, int percentage)
{
    const int linesAfter = window.progressTextEdit->toPlainText().count('\n') + 1;
    return linesAfter == lineCount && LastLogLine(window) == QString("[Flash Hanlder] Flashing.. %1%").arg(percentage);
}

double MedianUpdateMs(Norvane &window)
{
    // The first update after filling also settles the layout; it is not counted.
    window.UpdateProgressLine(0);
    QVector<double> times;
    for (int i = 1; i <= TIMED_UPDATES; ++i) {
        QElapsedTimer timer;
        timer.start();
        window.UpdateProgressLine(i);
        times.append(timer.nsecsElapsed() / 1e6);
    }
    return Median(times);
}

// Jump, Erase, then the timed transfer of the image; 0 if a step or the unit's memory fails.
double TransferMs(Norvane &window, EcuSimulator &unit, int earlierLines)
{
    FillLog(window, earlierLines + 1);
    if (window.SendJumpToBootloader() != Success || window.SendEraseApplication() != Success)
        return 0;
    QElapsedTimer timer;
    timer.start();
    const RomImage image{IMAGE_ADDRESS, SampleImage(int(IMAGE_SIZE), IMAGE_SEED)};
    if (!window.RunFlashApplication(image))
        return 0;
    const double ms = timer.nsecsElapsed() / 1e6;
    if (!LogKeptItsLines(window, earlierLines + 1, 100)
        || unit.memory(IMAGE_ADDRESS, int(IMAGE_SIZE)) != image.bytes)
        return 0;
    return ms;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // One debug line per frame would only clutter the tables.
    QLoggingCategory::setFilterRules("default.debug=false");
    Norvane window;
    window.show();

    ResultTable updates(QString("Progress rewrite: one UpdateProgressLine, shown window, median of %1 calls")
                            .arg(TIMED_UPDATES),
                        {"lines in the log", "per update", "share of a frame's time at 115200 baud"});
    for (int lineCount : {10, 100, 1000, 10000, LONG_LOG_LINES}) {
        FillLog(window, lineCount);
        const double ms = MedianUpdateMs(window);
        if (!LogKeptItsLines(window, lineCount, TIMED_UPDATES))
            return Fail(QString("the log lost its lines at %1").arg(lineCount));
        updates.addRow({QString::number(lineCount), ResultTable::number(ms, 3) + " ms",
                        ResultTable::number(ms / FRAME_AT_115200_MS * 100, 2) + " %"});
    }
    updates.addNote("Only the last line is rewritten; the earlier lines keep their text and colour.");
    updates.print();

    EcuSimulator unit;
    if (!unit.start() || !ConnectWindow(window, unit.portPath(), "115200"))
        return Fail("cannot set up the simulated unit");

    ResultTable transfers(QString("Transfer of 16 frames (RunFlashApplication after Jump and Erase), unpaced unit, "
                                  "median of %1 runs").arg(FLASH_RUNS),
                          {"earlier lines in the log", "whole transfer", "per frame"});
    for (int earlierLines : {0, LONG_LOG_LINES}) {
        QVector<double> times;
        for (int i = 0; i < FLASH_RUNS; ++i) {
            const double ms = TransferMs(window, unit, earlierLines);
            if (ms <= 0)
                return Fail(QString("the transfer after %1 lines failed").arg(earlierLines));
            times.append(ms);
        }
        const double ms = Median(times);
        transfers.addRow({QString::number(earlierLines), ResultTable::number(ms, 1) + " ms",
                          ResultTable::number(ms / 16, 2) + " ms"});
    }
    transfers.addNote("The unit answers at once, so the rows show the tool's own time.");
    transfers.print();
    return 0;
}
