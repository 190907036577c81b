#include <QtTest>

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextEdit>

#include <functional>

#include "sim/intelhexwriter.h"
#include "sim/sparsememory.h"
#include "support/logpane.h"
#include "support/progresswatch.h"
#include "support/unitbench.h"

const QStringList FLASH_SUCCESS = {
    "[Flash Hanlder] Flash command started",
    "[Flash Hanlder] Jump to boot loader success",
    "[Flash Hanlder] Erasing..",
    "[Flash Hanlder] Erase success",
    "[Flash Hanlder] Flashing.. 100%",
    "[Flash Hanlder] Flash success",
    "[Flash Hanlder] Verify success",
    "[Flash Hanlder] Resetting..",
    "[Flash Hanlder] Reset success",
};

// How the file differs from what the writer gives.
using TextChange = std::function<QByteArray(QByteArray)>;
// What befalls the file once the Flash has begun.
using FileChange = std::function<bool(const QString &path)>;
Q_DECLARE_METATYPE(TextChange)
Q_DECLARE_METATYPE(FileChange)

// The status bar counts the frames with the time left, and ends with the time it all took.
void CheckStatusCountsFrames(const QStringList &shown, int frames, const QString &last)
{
    QStringList counted;
    for (const QString &status : shown) {
        const QRegularExpressionMatch match =
            QRegularExpression("^(Frame \\d+ of \\d+) · \\d+:\\d\\d left$").match(status);
        if (match.hasMatch() && !counted.contains(match.captured(1)))
            counted << match.captured(1);
    }
    QStringList expected;
    for (int frame = 1; frame <= frames; ++frame)
        expected << QString("Frame %1 of %2").arg(frame).arg(frames);
    QCOMPARE(counted, expected);
    QVERIFY2(QRegularExpression("^Flash succeeded · \\d+:\\d\\d$").match(last).hasMatch(), qPrintable(last));
}

using Outcome = OperationListener::Outcome;
Q_DECLARE_METATYPE(Outcome)

// Every moment the window tells, one line each, and what the status bar then said; it asks
// for a stop when a step begins.
struct ToldMoments : OperationListener {
    explicit ToldMoments(UnitBench &bench)
        : bench(bench)
    {
        bench.window.operationEvents.add(this);
    }
    ~ToldMoments() override { bench.window.operationEvents.remove(this); }

    UnitBench &bench;
    QStringList moments;
    QStringList statuses;
    QString stopAtStep;

    void operationBegan(Operation operation) override
    {
        moments << QStringList{"Verify", "Erase", "Flash"}.at(int(operation));
    }
    void stepBegan(Step step) override
    {
        const QString name = QStringList{"jump", "erase", "transfer", "verify", "reset"}.at(int(step));
        moments << name;
        if (name == stopAtStep)
            bench.window.RequestStop();
    }
    void transferBegan(int frames, qint32 baudRate) override
    {
        moments << QString("%1 frames at %2").arg(frames).arg(baudRate);
        statuses << bench.driver.statusText();
    }
    void frameTaken(int framesDone, int frames) override
    {
        moments << QString("%1 of %2").arg(framesDone).arg(frames);
        statuses << bench.driver.statusText();
    }
};

// Whole images flashed through the window into the simulated unit.
class TestFlash : public QObject
{
    Q_OBJECT

private slots:
    void imagesArriveByteForByte_data();
    void imagesArriveByteForByte();
    void flashNeedsAChosenFile();
    void theWindowTellsWhereItStands_data();
    void theWindowTellsWhereItStands();

private:
    QTemporaryDir directory;
};

void TestFlash::imagesArriveByteForByte_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("recordLength");
    QTest::addColumn<QList<int>>("percentages");
    QTest::addColumn<TextChange>("textChange");
    QTest::addColumn<FileChange>("midFlashChange");

    const TextChange asWritten = [](const QByteArray &text) { return text; };
    const FileChange untouched = [](const QString &) { return true; };
    const TextChange crLf = [](QByteArray text) { return text.replace("\n", "\r\n"); };
    const TextChange startAddresses = [](QByteArray text) {
        return ":0400000300001234B3\n:0000000000\n" + text.replace(":00000001FF", ":0400000500080000EF\n:00000001FF");
    };
    QTest::newRow("one chunk goes as a single End frame, CR LF line ends")
        << 0x80000u << 16384 << 16 << QList<int>{0, 100, 100} << crLf << untouched;
    QTest::newRow("a record past a whole chunk goes in a short End frame, across a 64 KiB page")
        << 0x1FC000u << 16400 << 16 << QList<int>{0, 99, 100, 100} << asWritten << untouched;
    // The last record's 16 bytes do not count: half the image has gone after the first frame.
    QTest::newRow("two frames and a record show 50 % after the first frame")
        << 0x80000u << 32784 << 16 << QList<int>{0, 50, 99, 100, 100} << asWritten << untouched;
    QTest::newRow("start address records and an empty data record add nothing")
        << 0x80000u << 24576 << 16 << QList<int>{0, 66, 100, 100} << startAddresses << untouched;
    QTest::newRow("15-byte records in lower case across a page, no line end after the last")
        << 0x8000u << 40000 << 15 << QList<int>{0, 40, 81, 100, 100}
        << TextChange([](const QByteArray &text) { return text.toLower().chopped(1); }) << untouched;
    QTest::newRow("1-byte records") << 0x80001u << 20000 << 1 << QList<int>{0, 81, 100, 100} << asWritten << untouched;
    const QList<int> fourChunks{0, 25, 50, 75, 100, 100};
    QTest::newRow("a file cut mid-flash: the image as checked goes out")
        << 0x80000u << 65536 << 16 << fourChunks << asWritten
        << FileChange([](const QString &path) { return QFile::resize(path, QFileInfo(path).size() / 2 + 7); });
    QTest::newRow("a file rewritten mid-flash: the image as checked goes out")
        << 0x80000u << 65536 << 16 << fourChunks << asWritten
        << FileChange([](const QString &path) { return WriteRomFile(path, 0x80000u, SampleImage(65536, 0)); });
}

void TestFlash::imagesArriveByteForByte()
{
    QFETCH(quint32, address);
    QFETCH(int, size);
    QFETCH(int, recordLength);
    QFETCH(QList<int>, percentages);
    QFETCH(TextChange, textChange);
    QFETCH(FileChange, midFlashChange);

    const QByteArray image = SampleImage(size, size + recordLength);
    SparseMemory memory;
    memory.write(address, image);
    const QByteArray text = textChange(IntelHexWriter::text(memory, recordLength).toLatin1());
    const QString path = directory.filePath("image.rom");
    QFile saving(path);
    QVERIFY(saving.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && saving.write(text) == text.size());

    UnitBench bench;
    QVERIFY(bench.start());
    bench.presetRomFile(path);
    ProgressWatch watch(bench.window.progressTextEdit);
    watch.onLine("[Flash Hanlder] Flashing.. 0%", [&] { QVERIFY(midFlashChange(path)); });
    ToldMoments told(bench);
    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench.window.progressTextEdit), FLASH_SUCCESS);
    CheckStatusCountsFrames(told.statuses, percentages.size() - 2, bench.driver.statusText());
    QStringList progress;
    for (int percentage : percentages)
        progress << QString("[Flash Hanlder] Flashing.. %1%").arg(percentage);
    QCOMPARE(watch.lines(), progress);
    // Only the last frame ends the image.
    const int frameCount = (size + 16383) / 16384;
    QCOMPARE(bench.unit.receivedCommands(),
             QByteArray::fromHex("101215") + QByteArray(frameCount - 1, '\x13') + QByteArray::fromHex("161114"));
    // Each frame lands at the address of its first byte; the last one is filled with zeros.
    const int written = frameCount * 16384;
    QCOMPARE(bench.unit.memory(address, written), image + QByteArray(written - size, '\0'));
    QVERIFY(bench.answerer.boxes().isEmpty());
}

void TestFlash::flashNeedsAChosenFile()
{
    UnitBench bench;
    QVERIFY(bench.start());
    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    QCOMPARE(bench.answerer.texts(), QStringList{"Please browse rom file"});
    QVERIFY(bench.window.progressTextEdit->toPlainText().isEmpty());
    QVERIFY(bench.unit.frames().isEmpty());
    QVERIFY(!bench.window.busy);
}

void TestFlash::theWindowTellsWhereItStands_data()
{
    QTest::addColumn<WindowDriver::Operation>("operation");
    QTest::addColumn<UnitFaults>("faults");
    QTest::addColumn<QString>("stopAtStep");
    QTest::addColumn<bool>("badFile");
    QTest::addColumn<bool>("afterAFailedVerify");
    QTest::addColumn<QStringList>("moments");
    QTest::addColumn<Outcome>("outcome");
    // The failed step's line, its cause, and how the status bar starts.
    QTest::addColumn<QStringList>("told");

    const QStringList whole = {"Flash",  "jump",   "erase",  "transfer", "2 frames at 115200",
                               "1 of 2", "2 of 2", "verify", "reset"};
    const QString none;
    QTest::newRow("a whole Flash") << WindowDriver::Flash << UnitFaults() << none << false << false << whole
                                   << Outcome::Succeeded << QStringList{none, none, "Flash succeeded · "};
    QTest::newRow("a Verify with no image on the unit")
        << WindowDriver::Verify << UnitFaults() << none << false << false << QStringList{"Verify", "jump", "verify"}
        << Outcome::Failed
        << QStringList{"[Verify Hanlder] Verify failed", "Verify Application: Received verify failure response",
                       "Verify failed at verify · "};
    QTest::newRow("an Erase refused after a failed Verify")
        << WindowDriver::Erase << UnitFaults{{0x12, Fault::answerStatus(0xF0)}} << none << false << true
        << QStringList{"Erase", "jump", "erase"} << Outcome::Failed
        << QStringList{"[Erase Hanlder] Erase failed", "Erase Application: Received erase failure response",
                       "Erase failed at erase · "};
    QTest::newRow("a refused file touches nothing")
        << WindowDriver::Flash << UnitFaults() << none << true << false << QStringList{"Flash"} << Outcome::FileRefused
        << QStringList{"[Flash Hanlder] Flash failed", "Flash Application: rom file open failed", "ROM file refused: "};
    QTest::newRow("a line lost at the last frame")
        << WindowDriver::Flash << UnitFaults{{0x16, Fault::lineHangUp()}} << none << false << false
        << QStringList(whole.mid(0, 6)) << Outcome::LineLost
        << QStringList{"[Flash Hanlder] Flash failed", "Flash Application: Port read timed out",
                       "The line was lost (adapter unplugged?)"};
    QTest::newRow("a stop before the erase")
        << WindowDriver::Flash << UnitFaults() << "erase" << false << false << QStringList(whole.mid(0, 3))
        << Outcome::Stopped
        << QStringList{"[Flash Hanlder] Erase failed", "Stopped on request: nothing more was sent, no reset",
                       "Flash stopped at erase · "};
    QTest::newRow("a refused reset") << WindowDriver::Flash << UnitFaults{{0x14, Fault::answerStatus(0xF0)}} << none
                                     << false << false << whole << Outcome::Failed
                                     << QStringList{"[Flash Hanlder] Reset failed",
                                                    "Reset ECU: Received reset failure response",
                                                    "Flash failed at reset · "};
}

void TestFlash::theWindowTellsWhereItStands()
{
    QFETCH(WindowDriver::Operation, operation);
    QFETCH(UnitFaults, faults);
    QFETCH(QString, stopAtStep);
    QFETCH(bool, badFile);
    QFETCH(bool, afterAFailedVerify);
    QFETCH(QStringList, moments);
    QFETCH(Outcome, outcome);
    QFETCH(QStringList, told);

    UnitBench bench;
    QVERIFY(bench.start());
    bench.setFaults(faults);
    const QString path = directory.filePath("told.rom");
    QVERIFY(bench.presetSampleRom(path, 2 * 16384));
    QVERIFY(!badFile || QFile::resize(path, 100));
    // A Verify with no image on the unit fails: its cause must not outlive it.
    QVERIFY(!afterAFailedVerify || !bench.driver.run(WindowDriver::Verify));
    ToldMoments listener(bench);
    listener.stopAtStep = stopAtStep;

    QCOMPARE(bench.driver.run(operation), outcome == Outcome::Succeeded);
    QCOMPARE(listener.moments, moments);
    QCOMPARE(int(bench.driver.outcome()), int(outcome));
    QCOMPARE(QStringList({bench.driver.failedStep(), bench.driver.cause()}), told.mid(0, 2));
    QCOMPARE(bench.driver.lastErrorLine(), told.at(0));
    QVERIFY2(bench.driver.statusText().startsWith(told.at(2)), qPrintable(bench.driver.statusText()));
}

QTEST_MAIN(TestFlash)
#include "tst_flash.moc"
