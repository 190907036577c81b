// Times the transfer of 1 MiB and 16 MiB images over a very fast line, to see what the tool
// itself spends on each data frame: from the moment the answer to one frame is read to the
// moment the tool starts writing the next one.

#include <QSerialPort>
#include <QtTest>

#include "benchsupport.h"
#include "connection/operationtexts.h"
#include "rom/chunklayout.h"
#include "rom/romimage.h"
#include "sampleimage.h"
#include "support/writewatch.h"

namespace {

using Moment = WriteWatch::Moment;
using Span = QPair<Moment, Moment>;

constexpr int MIB = 1024 * 1024;
constexpr int RUNS = 5;
constexpr double TARGET_MS_PER_FRAME = 1.0;
// Per-frame time of the large image over that of the small one; the rest is noise.
constexpr double TARGET_GROWTH = 1.25;

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

    // Per data frame, median of RUNS transfers: the answer's readyRead to the tool's first
    // write() of the next frame, on the tool's thread, in wall and in CPU time.
    void transfer()
    {
        QFETCH(int, size);
        const RomImage image{BENCH_ADDRESS, SampleImage(size, size / MIB)};
        QVector<double> wallMs, cpuMs;
        for (int run = 0; run < RUNS; ++run) {
            const QVector<Span> spans = transferSpans(image);
            QCOMPARE(spans.size(), size / CHUNK_SIZE);
            QVERIFY(bench.unit.memory(BENCH_ADDRESS, size) == image.bytes);
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
    }

    void growth()
    {
        QVERIFY2(toolMs.size() == 2, "a transfer failed");
        const double growth = toolMs.at(1) / toolMs.at(0);
        Report("tool per frame, 16 MiB over 1 MiB", Figure(growth, 2), "<= " + Figure(TARGET_GROWTH, 2),
               growth <= TARGET_GROWTH);
    }

private:
    // One Jump, Erase and transfer: the turnaround of every data frame.
    QVector<Span> transferSpans(const RomImage &image)
    {
        bench.window.AppendLog(Clear, "");
        if (bench.window.SendJumpToBootloader() != Success || bench.window.SendEraseApplication() != Success)
            return {};
        bench.window.AppendLog(Info, FLASH_PROGRESS_START);
        reads.clear();
        WriteWatch::takeWrites();
        if (bench.window.SendFlashApplication(image) != Success)
            return {};
        // From the Flash start's answer to the first frame, then from each answer to the next.
        return Turnarounds(reads, WriteWatch::takeWrites());
    }

    QVector<Moment> reads;
    QVector<double> toolMs;  // one per transfer row
    BenchUnit bench;
};

QTEST_MAIN(BenchToolOverhead)
#include "tooloverhead.moc"
