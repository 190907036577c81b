// The cost of one progress update against the number of lines already in the log. Every
// data frame's answer is followed by one update, so it counts against the tool's per-frame
// time.

#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>

#include "app/norvane.h"
#include "resulttable.h"
#include "windowsetup.h"

namespace {

constexpr int TIMED_UPDATES = 9;
// One data frame of 16396 bytes at 115200 baud, 10 bits a byte.
constexpr double FRAME_AT_115200_MS = 16396 * 10 * 1000.0 / 115200;

// A log of lineCount lines that ends with the progress line, as during a flash.
void FillLog(Norvane &window, int lineCount)
{
    QStringList lines;
    for (int i = 0; i < lineCount - 1; ++i)
        lines << QString("[Flash Hanlder] Earlier line %1").arg(i);
    lines << "[Flash Hanlder] Flashing.. 0%";
    window.AppendLog(Clear, "");
    window.AppendLog(Info, lines.join('\n'));
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
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Norvane window;
    window.show();

    ResultTable table(QString("Progress rewrite: one UpdateProgressLine, shown window, median of %1 calls")
                          .arg(TIMED_UPDATES),
                      {"lines in the log", "per update", "share of a frame's time at 115200 baud"});
    for (int lineCount : {10, 100, 1000, 10000}) {
        FillLog(window, lineCount);
        const double ms = MedianUpdateMs(window);
        const int linesAfter = window.progressTextEdit->toPlainText().count('\n') + 1;
        if (linesAfter != lineCount || LastLogLine(window) != QString("[Flash Hanlder] Flashing.. %1%").arg(TIMED_UPDATES)) {
            std::fprintf(stderr, "bench-progress-rewrite: the log lost its lines (%d of %d)\n", linesAfter, lineCount);
            return 1;
        }
        table.addRow({QString::number(lineCount), ResultTable::number(ms, 3) + " ms",
                      ResultTable::number(ms / FRAME_AT_115200_MS * 100, 2) + " %"});
    }
    table.addNote("The whole log is rebuilt and laid out again on every update, so the cost grows with it;");
    table.addNote("a technician's log after one flash holds a few dozen lines.");
    table.print();
    return 0;
}
