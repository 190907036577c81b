// What the tool spends on each data frame over a very fast line: its turnaround for 1 MiB and
// 16 MiB images, and the progress update and a 16-frame transfer against the log's length.

#include <QSerialPort>
#include <QtTest>

#include "bench/benchsupport.h"
#include "connection/operationtexts.h"
#include "protocol/timings.h"
#include "rom/chunklayout.h"
#include "rom/romimage.h"
#include "sim/sampleimage.h"
#include "support/writewatch.h"

namespace {

using Moment = WriteWatch::Moment;
using Span = QPair<Moment, Moment>;

constexpr int MIB = 1024 * 1024;
constexpr int TURNAROUND_RUNS = 5;
constexpr double TARGET_MS_PER_FRAME = 1.0;
// Per-frame time of the large image over that of the small one; the rest is noise.
constexpr double TARGET_GROWTH = 1.25;
constexpr int LONG_LOG_LINES = 20000;
constexpr int SHORT_IMAGE_FRAMES = 16;
constexpr int SHORT_TRANSFER_RUNS = 3;

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

class BenchToolOverhead : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(bench.start(), "cannot set up the simulated unit");
        QObject::connect(bench.window.serialPort, &QSerialPort::readyRead, bench.window.serialPort,
                         [this] { reads.append(Moment::now()); });
        WriteWatch::watch(int(bench.window.serialPort->handle()));
    }

    void transfer_data()
    {
        QTest::addColumn<int>("size");
        for (int size : {1 * MIB, 16 * MIB})
            QTest::addRow("%d MiB, %d frames", size / MIB, size / CHUNK_SIZE) << size;
    }

    // Per data frame, median of TURNAROUND_RUNS transfers: from the answer's readyRead (the
    // Flash start's for the first frame) to the tool's first write() of the next frame, on the
    // tool's thread, in wall and in CPU time. The second row is held to the first's time.
    void transfer()
    {
        QFETCH(int, size);
        const RomImage image{BENCH_ADDRESS, SampleImage(size, size / MIB)};
        QVector<double> wallMs, cpuMs;
        for (int run = 0; run < TURNAROUND_RUNS; ++run) {
            QVERIFY2(flashMs(image, 1) >= 0, "the flash failed");
            const QVector<Span> spans = Turnarounds(reads, WriteWatch::takeWrites());
            QCOMPARE(spans.size(), size / CHUNK_SIZE);
            qint64 wallNs = 0, cpuNs = 0;
            for (const Span &span : spans) {
                wallNs += span.second.steadyNs - span.first.steadyNs;
                cpuNs += span.second.threadCpuNs - span.first.threadCpuNs;
            }
            wallMs.append(wallNs / 1e6 / spans.size());
            cpuMs.append(cpuNs / 1e6 / spans.size());
        }
        toolMs.append(Median(wallMs));
        Report("tool per frame", Figure(toolMs.last(), 3, "ms"), "< 1 ms", toolMs.last() < TARGET_MS_PER_FRAME);
        Report("  of which tool thread CPU", Figure(Median(cpuMs), 3, "ms"));
        const double growth = toolMs.last() / toolMs.first();
        if (toolMs.size() == 2)
            Report("tool per frame, 16 MiB over 1 MiB", Figure(growth, 2), "<= " + Figure(TARGET_GROWTH, 2),
                   growth <= TARGET_GROWTH);
    }

    void progressUpdate_data()
    {
        QTest::addColumn<int>("lineCount");
        for (int lineCount : {10, 100, 1000, 10000, LONG_LOG_LINES})
            QTest::addRow("%d lines in the log", lineCount) << lineCount;
    }

    void progressUpdate()
    {
        QFETCH(int, lineCount);
        FillLog(bench.window, lineCount);
        // The first update after filling also settles the layout; it is not counted.
        bench.window.UpdateProgressLine(0);
        int percentage = 0;
        QBENCHMARK
        {
            percentage = percentage % FULL_SCALE_PERCENTAGE + 1;
            bench.window.UpdateProgressLine(percentage);
        }
        QVERIFY2(LogKeptItsLines(bench.driver, lineCount, percentage), "the log lost its lines");
    }

    void transferAfterLog_data()
    {
        QTest::addColumn<int>("earlierLines");
        QTest::newRow("empty log") << 0;
        QTest::addRow("after %d lines", LONG_LOG_LINES) << LONG_LOG_LINES;
    }

    // What the Flash takes beyond its frames' and answers' time on the line, median of a few runs.
    void transferAfterLog()
    {
        QFETCH(int, earlierLines);
        const RomImage image{BENCH_ADDRESS, SampleImage(SHORT_IMAGE_FRAMES * CHUNK_SIZE, SHORT_IMAGE_FRAMES)};
        const qint64 lineBytes = SHORT_IMAGE_FRAMES * (DATA_FRAME_SIZE + RESPONSE_FRAME_SIZE);
        const double wireMs = LeastLineTimeNs(lineBytes, FAST_LINE_BAUD) / 1e6;
        QVector<double> times;
        for (int run = 0; run < SHORT_TRANSFER_RUNS; ++run) {
            const double ms = flashMs(image, earlierLines + 1);
            QVERIFY2(ms >= 0, "the flash failed");
            times.append(ms - wireMs);
            QVERIFY2(LogKeptItsLines(bench.driver, earlierLines + 1, FULL_SCALE_PERCENTAGE), "the log lost its lines");
        }
        Report("16-frame transfer beyond " + Figure(wireMs, 1, "ms") + " on the line", Figure(Median(times), 1, "ms"));
    }

private:
    // Jump and Erase after a log of logLines lines, then the Flash: its wall time in ms, with
    // the reads and writes noted from its start; -1 unless the unit then holds the image.
    double flashMs(const RomImage &image, int logLines)
    {
        FillLog(bench.window, logLines);
        if (bench.window.SendJumpToBootloader() != Success || bench.window.SendEraseApplication() != Success)
            return -1;
        reads.clear();
        WriteWatch::takeWrites();
        const qint64 startNs = Moment::now().steadyNs;
        const bool flashed = bench.window.RunFlashApplication(image);
        const double ms = (Moment::now().steadyNs - startNs) / 1e6;
        return flashed && bench.unit.memory(BENCH_ADDRESS, image.bytes.size()) == image.bytes ? ms : -1;
    }

    QVector<Moment> reads;
    QVector<double> toolMs; // one per transfer row
    BenchUnit bench;
};

QTEST_MAIN(BenchToolOverhead)
#include "tooloverhead.moc"
