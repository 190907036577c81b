#include <QtTest>

#include <QTemporaryDir>
#include <QTextEdit>

#include "support/droprecorder.h"
#include "support/logpane.h"
#include "support/successwatch.h"
#include "support/unitbench.h"

// When stray bytes reach the port.
enum class StrayAt { Idle, PauseBeforeCommand };
Q_DECLARE_METATYPE(StrayAt)

// Bytes that no request asked for, from noise, a boot message or a unit that answers
// twice, are dropped however many they are and whenever they come; no request is cut
// and no answer is taken for another's.
class TestLine : public QObject
{
    Q_OBJECT

private slots:
    void strayBytesAreDropped_data();
    void strayBytesAreDropped();
    void lateCopiesOfAnswersAreDropped_data();
    void lateCopiesOfAnswersAreDropped();
};

void TestLine::strayBytesAreDropped_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<StrayAt>("when");
    QTest::addColumn<WindowDriver::Operation>("operation");

    // Eight fill the port's read buffer: one more once left it deaf.
    for (int count : {9, 16, 4096})
        QTest::addRow("%d bytes while idle, then Verify twice", count)
            << count << StrayAt::Idle << WindowDriver::Verify;
    QTest::newRow("9 bytes in the pause before Erase, then Erase again")
        << 9 << StrayAt::PauseBeforeCommand << WindowDriver::Erase;
}

void TestLine::strayBytesAreDropped()
{
    QFETCH(int, count);
    QFETCH(StrayAt, when);
    QFETCH(WindowDriver::Operation, operation);

    UnitBench bench;
    QVERIFY(bench.start());
    // The unit holds no image; it passes Verify all the same.
    bench.unit.setCommandFault(0x11, Fault::answerStatus(0x81));
    QByteArray stray(count, '\0');
    for (int i = 0; i < count; ++i)
        stray[i] = char(0x80 + i % 7);
    const QString pause =
        operation == WindowDriver::Verify ? "[Verify Hanlder] Verifying.." : "[Erase Hanlder] Erasing..";
    bool sent = false;
    if (when == StrayAt::Idle) {
        sent = bench.unit.sendRaw(stray);
        QTest::qWait(200);
    } else {
        connect(bench.window.progressTextEdit, &QTextEdit::textChanged, &bench.window, [&] {
            if (!sent && bench.driver.lastLogLine() == pause)
                sent = bench.unit.sendRaw(stray);
        });
    }

    QVERIFY(bench.driver.run(operation));
    QVERIFY(sent);
    const QStringList first = bench.driver.logLines();
    QCOMPARE(first.size(), 6);
    QVERIFY(bench.driver.run(operation));
    QCOMPARE(bench.driver.logLines(), first + first);
    const QByteArray once = operation == WindowDriver::Verify ? "\x10\x11\x14" : "\x10\x12\x14";
    QCOMPARE(bench.unit.receivedCommands(), once + once);
}

void TestLine::lateCopiesOfAnswersAreDropped_data()
{
    QTest::addColumn<int>("copyAfterMs");
    QTest::addColumn<QStringList>("drops");
    // A data frame spends 1.42 s on the line at 115200 baud: each copy comes while the
    // next frame is still going out, unless one read takes it in with its answer, which
    // spoils that frame: the machine's timing decides which.
    QTest::newRow("copy 2 ms after the answer") << 2 << QStringList();
    const QString copy = "copy: an answer was taken for a copy of an earlier one";
    QTest::newRow("copy 600 ms after the answer") << 600 << QStringList{copy, copy};
}

// Every frame reaches the unit whole, and the Flash says success only while the unit holds
// the image; a failure is red. Copies that are dropped are told.
void TestLine::lateCopiesOfAnswersAreDropped()
{
    QFETCH(int, copyAfterMs);
    QFETCH(QStringList, drops);

    UnitBench bench;
    QVERIFY(bench.start());
    bench.unit.setCommandFault(0x13, Fault::answerTwice(copyAfterMs));
    QTemporaryDir directory;
    const QByteArray image = SampleImage(3 * 16384, 3);
    const QString path = directory.filePath("three.rom");
    QVERIFY(WriteRomFile(path, 0x80000, image));
    QVERIFY(bench.driver.chooseRomFile(path));
    SuccessWatch successes(bench.window.progressTextEdit, bench.unit, 0x80000, image);
    DropRecorder dropped;
    bench.window.operationEvents.add(&dropped);

    if (bench.driver.run(WindowDriver::Flash)) {
        QCOMPARE(successes.seen(), SuccessWatch::allHeld());
        QCOMPARE(bench.unit.receivedCommands(), QByteArray::fromHex("10121513131611") + '\x14');
    } else {
        QVERIFY2(drops.isEmpty(), "a copy this late cannot share a read with an answer");
        QCOMPARE(LogLines(bench.window.progressTextEdit).last().colour, LOG_RED);
        QCOMPARE(successes.seen(), QStringList());
    }
    for (const EcuSimulator::ReceivedFrame &frame : bench.unit.frames())
        QVERIFY(frame.checksumOk);
    QCOMPARE(bench.unit.skippedBytes(), 0);
    if (!drops.isEmpty()) {
        QCOMPARE(dropped.drops, drops);
        QVERIFY(StatusReasons(bench.window)
                    .contains(QString("Answers dropped in this operation: %1 (last: %2)")
                                  .arg(drops.size())
                                  .arg(drops.last().mid(6))));
    }
}

QTEST_MAIN(TestLine)
#include "tst_line.moc"
