#include <QtTest>

#include <QTemporaryDir>
#include <QTextEdit>

#include "support/droprecorder.h"
#include "support/logpane.h"
#include "support/successwatch.h"
#include "support/unitbench.h"

// How a Flash over a line with copies, refusals and a clock error may end; a copy and its
// answer that one read takes in together spoil the frame, which only the machine decides.
enum class Ends { InSuccess, InFailure, EitherWay };
Q_DECLARE_METATYPE(Ends)

namespace {

// Answers delayMs after the request is in; the first copiedAnswers also copyAfterMs later.
Fault Delayed(int delayMs, int copyAfterMs = -1, int copiedAnswers = -1)
{
    Fault fault = Fault::answerTwice(copyAfterMs);
    fault.delayMs = delayMs;
    fault.copiedAnswers = copiedAnswers;
    return fault;
}

} // namespace

// A Flash goes on exactly as far as the unit's answers allow.
class TestFlashFailures : public QObject
{
    Q_OBJECT

private slots:
    void unitAnswersDecideHowFarItGoes_data();
    void unitAnswersDecideHowFarItGoes();
    void everyAnswerBelongsToItsRequest_data();
    void everyAnswerBelongsToItsRequest();

private:
    QTemporaryDir directory;
};

void TestFlashFailures::unitAnswersDecideHowFarItGoes_data()
{
    QTest::addColumn<UnitFaults>("faults");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QStringList>("lastLines");
    QTest::addColumn<bool>("failed");

    const QString refused = "Flash Application: Received flash failure response";
    const QString flashFailed = "[Flash Hanlder] Flash failed";
    QTest::newRow("Jump refused") << UnitFaults{{0x10, Fault::answerStatus(0)}} << "10"
                                  << QStringList{"Jump to boot loader: Received jump to bootloader failure response",
                                                 "[Flash Hanlder] Jump to boot loader failed"}
                                  << true;
    QTest::newRow("Erase refused") << UnitFaults{{0x12, Fault::answerStatus(0)}} << "1012"
                                   << QStringList{"Erase Application: Received erase failure response",
                                                  "[Flash Hanlder] Erase failed"}
                                   << true;
    QTest::newRow("Flash start unanswered")
        << UnitFaults{{0x15, Fault::noAnswer()}} << "101215"
        << QStringList{"Flash Application: Port read timed out", flashFailed} << true;
    QTest::newRow("Flash start refused") << UnitFaults{{0x15, Fault::answerStatus(0)}} << "101215"
                                         << QStringList{"[Flash Hanlder] Flashing.. 0%", refused, flashFailed} << true;
    QTest::newRow("first frame's answer corrupt")
        << UnitFaults{{0x13, Fault::corruptChecksum()}} << "10121513"
        << QStringList{"Flash Application: Invalid response frame received", flashFailed} << true;
    QTest::newRow("last frame refused") << UnitFaults{{0x16, Fault::answerStatus(0xF0)}} << "1012151316"
                                        << QStringList{"[Flash Hanlder] Flashing.. 50%", refused, flashFailed} << true;
    QTest::newRow("Verify refused") << UnitFaults{{0x11, Fault::answerStatus(0)}} << "101215131611"
                                    << QStringList{"Verify Application: Received verify failure response",
                                                   "[Flash Hanlder] Verify failed"}
                                    << true;
    // Either status that means "chunk flashed" is taken for any frame.
    QTest::newRow("frames answered 0x86, then 0x83")
        << UnitFaults{{0x13, Fault::answerStatus(0x86)}, {0x16, Fault::answerStatus(0x83)}} << "10121513161114"
        << QStringList{"[Flash Hanlder] Reset success"} << false;
}

// Nothing is sent after a failed step, not even a reset.
void TestFlashFailures::unitAnswersDecideHowFarItGoes()
{
    QFETCH(UnitFaults, faults);
    QFETCH(QString, received);
    QFETCH(QStringList, lastLines);
    QFETCH(bool, failed);

    UnitBench bench;
    QVERIFY(bench.start());
    bench.setFaults(faults);
    QVERIFY(bench.presetSampleRom(directory.filePath("two.rom"), 2 * 16384));
    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    const QStringList log = LogTexts(bench.window.progressTextEdit);
    QCOMPARE(log.mid(log.size() - lastLines.size()), lastLines);
    QCOMPARE(LogLines(bench.window.progressTextEdit).last().colour, failed ? LOG_RED : LOG_BLUE);
    QCOMPARE(QString(bench.unit.receivedCommands().toHex()), received);
    QVERIFY(!bench.window.busy);
    // The status bar ends with the last step and the time it all took.
    const QString status = bench.driver.statusText();
    const QString end = failed ? "Flash failed at [a-z]+" : "Flash succeeded";
    QVERIFY2(QRegularExpression("^" + end + " · \\d+:\\d\\d$").match(status).hasMatch(), qPrintable(status));
}

void TestFlashFailures::everyAnswerBelongsToItsRequest_data()
{
    QTest::addColumn<double>("clockError");
    QTest::addColumn<int>("unitRate");
    QTest::addColumn<UnitFaults>("faults");
    QTest::addColumn<int>("refusedFrame");
    QTest::addColumn<Ends>("ends");
    // The status bar's reason that names what happened, or nothing.
    QTest::addColumn<QString>("named");

    const int followed = EcuSimulator::RateOfThePort;
    // The unit answers the moment a request is in, on a line that runs fast.
    for (double fast : {0.16, 2.0, 5.0})
        QTest::addRow("an adapter %.2f %% fast", fast)
            << fast << followed << UnitFaults() << 0 << Ends::InSuccess << "";
    // A data frame spends 1.42 s on the line: the copy of the first frame's answer comes
    // after the second frame could have been answered, the refusal of the second while the
    // third goes out.
    QTest::newRow("a copy 1.56 s late, the second frame refused unwritten")
        << 0.0 << followed << UnitFaults{{0x13, Delayed(300, 1560, 1)}, {0x16, Delayed(300)}} << 2 << Ends::InFailure
        << "";
    QTest::newRow("the End frame refused unwritten") << 0.0 << followed << UnitFaults() << 3 << Ends::InFailure << "";
    QTest::newRow("Erase's answer copied 20 ms later")
        << 0.0 << followed << UnitFaults{{0x12, Delayed(0, 20)}} << 0 << Ends::InSuccess
        << "Answers dropped in this operation: 1 (last: an answer was taken for a copy of an earlier one)";
    QTest::newRow("the End frame's answer copied 50 ms later")
        << 0.0 << followed << UnitFaults{{0x16, Delayed(0, 50)}} << 0 << Ends::InSuccess << "";
    QTest::newRow("Erase's answer copied 2 ms later")
        << 0.0 << followed << UnitFaults{{0x12, Delayed(0, 2)}} << 0 << Ends::EitherWay << "";
    QTest::newRow("the End frame's answer copied 2 ms later")
        << 0.0 << followed << UnitFaults{{0x16, Delayed(0, 2)}} << 0 << Ends::EitherWay << "";
    // A unit on a USB virtual port ignores the rate.
    QTest::newRow("a line far faster than its rate")
        << 0.0 << 0 << UnitFaults() << 0 << Ends::InFailure
        << "Port read timed out, after a dropped answer: an answer came sooner than 115200 baud allows: "
           "is the line faster than its rate?";
}

// Judged by the unit's memory at every success line, whatever the reads bring together.
void TestFlashFailures::everyAnswerBelongsToItsRequest()
{
    QFETCH(double, clockError);
    QFETCH(int, unitRate);
    QFETCH(UnitFaults, faults);
    QFETCH(int, refusedFrame);
    QFETCH(Ends, ends);
    QFETCH(QString, named);

    UnitBench bench;
    QVERIFY(bench.start());
    bench.unit.setClockError(clockError);
    bench.unit.setLineRate(unitRate);
    bench.setFaults(faults);
    bench.unit.refuseDataFrame(refusedFrame);
    const QByteArray image = SampleImage(3 * 16384, 5);
    const QString path = directory.filePath("three.rom");
    QVERIFY(WriteRomFile(path, 0x80000, image));
    QVERIFY(bench.driver.chooseRomFile(path));
    SuccessWatch successes(bench.window.progressTextEdit, bench.unit, 0x80000, image);
    DropRecorder drops;
    bench.window.operationEvents.add(&drops);

    const bool flashed = bench.driver.run(WindowDriver::Flash);
    const QString log = bench.driver.logLines().join('\n');
    if (flashed || ends == Ends::InSuccess) {
        QVERIFY2(flashed && ends != Ends::InFailure, qPrintable(log));
        QCOMPARE(successes.seen(), SuccessWatch::allHeld());
    } else {
        QCOMPARE(LogLines(bench.window.progressTextEdit).last().colour, LOG_RED);
        for (const QString &seen : successes.seen())
            QVERIFY2(seen.endsWith(": image held"), qPrintable(seen));
    }
    if (refusedFrame > 0) {
        QCOMPARE(successes.seen(), QStringList());
        QVERIFY(bench.unit.memory(0x80000, image.size()) != image);
        QCOMPARE(bench.driver.lastErrorLine(), QString("[Flash Hanlder] Flash failed"));
    }
    for (const EcuSimulator::ReceivedFrame &frame : bench.unit.frames())
        QVERIFY(frame.checksumOk);
    QCOMPARE(bench.unit.skippedBytes(), 0);
    if (named.isEmpty())
        return;
    const QString reasons = StatusReasons(bench.window).join('\n');
    QVERIFY2(reasons.contains(named), qPrintable(reasons));
    QVERIFY(!drops.drops.isEmpty());
}

QTEST_MAIN(TestFlashFailures)
#include "tst_flashfailures.moc"
