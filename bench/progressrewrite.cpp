// The cost of one progress update against the number of lines already in the log, and a
// whole transfer with an empty log against one after many earlier lines. Every data frame's
// answer is followed by one update, so it counts against the tool's per-frame time.

#include <QElapsedTimer>
#include <QtTest>

#include "benchsupport.h"
#include "connection/operationtexts.h"
#include "protocol/timings.h"
#include "rom/chunklayout.h"
#include "rom/romimage.h"
#include "sampleimage.h"

namespace {

constexpr int LONG_LOG_LINES = 20000;
constexpr int IMAGE_FRAMES = 16;
constexpr int TRANSFER_RUNS = 3;

// A log of lineCount lines that ends with the progress line, as during a flash. The lines
// are logged one by one, as operations log them, so each is laid out as it comes.
void FillLog(Norvane &window, int lineCount)
{
    window.AppendLog(Clear, "");
    for (int i = 0; i < lineCount - 1; ++i)
        window.AppendLog(i % 2 == 0 ? Info : Error, QString("[Flash Hanlder] Earlier line %1").arg(i));
    window.AppendLog(Info, FLASH_PROGRESS_START);
}

bool LogKeptItsLines(const WindowDriver &driver, int lineCount, int percentage)
{
    const QString progressLine = QString(FLASH_PROGRESS_START).chopped(2) + QString::number(percentage) + "%";
    return driver.logLines().size() == lineCount && driver.lastLogLine() == progressLine;
}

} // namespace

class BenchProgressRewrite : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(bench.start(), "cannot set up the simulated unit");
    }

    void update_data()
    {
        QTest::addColumn<int>("lineCount");
        for (int lineCount : {10, 100, 1000, 10000, LONG_LOG_LINES})
            QTest::addRow("%d lines in the log", lineCount) << lineCount;
    }

    void update()
    {
        QFETCH(int, lineCount);
        FillLog(bench.window, lineCount);
        // The first update after filling also settles the layout; it is not counted.
        bench.window.UpdateProgressLine(0);
        int percentage = 0;
        QBENCHMARK {
            percentage = percentage % FULL_SCALE_PERCENTAGE + 1;
            bench.window.UpdateProgressLine(percentage);
        }
        QVERIFY2(LogKeptItsLines(bench.driver, lineCount, percentage), "the log lost its lines");
    }

    void transfer_data()
    {
        QTest::addColumn<int>("earlierLines");
        QTest::newRow("empty log") << 0;
        QTest::addRow("after %d lines", LONG_LOG_LINES) << LONG_LOG_LINES;
    }

    // RunFlashApplication after Jump and Erase over the fast line: what it takes beyond the
    // frames' and answers' time on the line is the tool's; the median of a few runs.
    void transfer()
    {
        QFETCH(int, earlierLines);
        const RomImage image{BENCH_ADDRESS, SampleImage(IMAGE_FRAMES * CHUNK_SIZE, IMAGE_FRAMES)};
        const auto wireMs = LeastLineTimeNs(IMAGE_FRAMES * (DATA_FRAME_SIZE + RESPONSE_FRAME_SIZE), FAST_LINE_BAUD) / 1e6;
        QVector<double> times;
        for (int run = 0; run < TRANSFER_RUNS; ++run) {
            FillLog(bench.window, earlierLines + 1);
            QVERIFY(bench.window.SendJumpToBootloader() == Success);
            QVERIFY(bench.window.SendEraseApplication() == Success);
            QElapsedTimer timer;
            timer.start();
            QVERIFY(bench.window.RunFlashApplication(image));
            times.append(timer.nsecsElapsed() / 1e6 - wireMs);
            QVERIFY2(LogKeptItsLines(bench.driver, earlierLines + 1, FULL_SCALE_PERCENTAGE), "the log lost its lines");
            QVERIFY(bench.unit.memory(BENCH_ADDRESS, image.bytes.size()) == image.bytes);
        }
        Report("16-frame transfer beyond " + Figure(wireMs, 1, "ms") + " on the line", Figure(Median(times), 1, "ms"));
    }

private:
    BenchUnit bench;
};

QTEST_MAIN(BenchProgressRewrite)
#include "progressrewrite.moc"
