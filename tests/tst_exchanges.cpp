#include <QtTest>

#include <memory>

#include <QSerialPort>
#include <QTextEdit>

#include <thread>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "support/logpane.h"
#include "support/messagecapture.h"
#include "support/modalanswerer.h"
#include "support/unitbench.h"

// One request/response exchange at a time, against the simulated unit on a real port.
class TestExchanges : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void answersInPiecesAreCollected_data();
    void answersInPiecesAreCollected();
    void bytesBeyondTheAnswerAreDropped();
    void staleBytesAreNotTakenForTheAnswer();
    void statusesAreJudged();
    void wrongChecksumIsInvalid();
    void overlongAnswerIsInvalid();
    void partialAnswerThenSilenceTimesOut();
    void refusedWriteIsReported();

private:
    std::unique_ptr<UnitBench> bench;
};

void TestExchanges::init()
{
    bench = std::make_unique<UnitBench>();
    QVERIFY(bench->start());
}

void TestExchanges::cleanup()
{
    bench.reset();
}

void TestExchanges::answersInPiecesAreCollected_data()
{
    QTest::addColumn<QVector<int>>("pieces");
    QTest::addColumn<int>("gapMs");
    QTest::newRow("5 then 3") << QVector<int>{5} << 300;
    QTest::newRow("one byte at a time") << QVector<int>{1, 1, 1, 1, 1, 1, 1} << 150;
}

void TestExchanges::answersInPiecesAreCollected()
{
    QFETCH(QVector<int>, pieces);
    QFETCH(int, gapMs);
    bench->unit.setCommandFault(0x10, AnswerInPieces(pieces, gapMs));
    MessageCapture capture;
    QCOMPARE(bench->window.SendJumpToBootloader(), Success);
    QCOMPARE(capture.debugLines(), QStringList{"Jump to Boot Loader Successfull!"});
    QCOMPARE(capture.linesWithLocation(), 0);
}

void TestExchanges::bytesBeyondTheAnswerAreDropped()
{
    // The port reads at most 8 bytes at once: the ninth waits and is cleared away.
    EcuSimulator::Fault extra;
    extra.extraBytes = QByteArray::fromHex("81");
    bench->unit.setCommandFault(0x10, extra);
    QCOMPARE(bench->window.SendJumpToBootloader(), Success);
    QTest::qWait(100);
    // A misaligned answer would be invalid; the unit's refusal arrives whole instead.
    QCOMPARE(bench->window.SendVerifyApplication(), VerifyApplicationFailed);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("1011"));
}

void TestExchanges::staleBytesAreNotTakenForTheAnswer()
{
    // A positive Verify answer sitting on the line must not answer the Jump.
    QVERIFY(bench->unit.sendRaw(QByteArray::fromHex("000000810000FF7F")));
    QTest::qWait(200);
    MessageCapture capture;
    QCOMPARE(bench->window.SendJumpToBootloader(), Success);
    QCOMPARE(capture.debugLines(), QStringList{"Jump to Boot Loader Successfull!"});
}

void TestExchanges::statusesAreJudged()
{
    MessageCapture capture;
    bench->unit.setCommandFault(0x10, AnswerStatus(0x81));
    QCOMPARE(bench->window.SendJumpToBootloader(), JumpToBootloaderFailed);
    bench->unit.clearFaults();
    QCOMPARE(bench->window.SendJumpToBootloader(), Success);

    bench->unit.setCommandFault(0x11, AnswerStatus(0x80));
    QCOMPARE(bench->window.SendVerifyApplication(), VerifyApplicationFailed);
    bench->unit.setCommandFault(0x12, AnswerStatus(0x00));
    QCOMPARE(bench->window.SendEraseApplication(), EraseApplicationFailed);
    bench->unit.setCommandFault(0x15, AnswerStatus(0x83));
    QCOMPARE(bench->window.SendFlashApplicationStart(), FlashApplicationFailed);
    bench->unit.setCommandFault(0x14, AnswerStatus(0x85));
    QCOMPARE(bench->window.SendResetECU(), ResetECUFailed);
    QCOMPARE(capture.debugLines(),
             QStringList({"Jump to Boot Loader failed", "Jump to Boot Loader Successfull!", "Verification failed",
                          "Erase Application failed", "Flash start failed", "Reset ECU failed"}));

    // A wrapper logs its red cause line and gives false; success logs nothing.
    bench->unit.clearFaults();
    bench->window.AppendLog(Clear, "");
    QVERIFY(bench->window.RunJumpToBootloader());
    QVERIFY(bench->window.progressTextEdit->toPlainText().isEmpty());
    bench->unit.setCommandFault(0x14, AnswerStatus(0x00));
    QVERIFY(!bench->window.RunResetECU());
    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().text, QString("Reset ECU: Received reset failure response"));
    QCOMPARE(lines.first().colour, LOG_RED);
}

void TestExchanges::wrongChecksumIsInvalid()
{
    bench->unit.setCommandFault(0x10, WrongChecksum());
    MessageCapture capture;
    QCOMPARE(bench->window.SendJumpToBootloader(), InvalidResponseFrame);
    QCOMPARE(capture.debugLines(), QStringList{"Invalid Response frame"});
    QVERIFY(capture.warningLines().isEmpty());

    QVERIFY(!bench->window.RunJumpToBootloader());
    QCOMPARE(LogTexts(bench->window.progressTextEdit),
             QStringList{"Jump to boot loader: Invalid response frame received"});
}

void TestExchanges::overlongAnswerIsInvalid()
{
    // Five bytes, then four more: nine collected bytes are no frame.
    bench->unit.setCommandFault(0x10, NoAnswer());
    std::thread feeder([this] {
        if (!bench->unit.waitForFrames(1, 5000))
            return;
        bench->unit.sendRaw(QByteArray::fromHex("0000008000"));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        bench->unit.sendRaw(QByteArray::fromHex("00FF8000"));
    });
    MessageCapture capture;
    const CommandResult result = bench->window.SendJumpToBootloader();
    feeder.join();
    QCOMPARE(result, InvalidResponseFrame);
    QCOMPARE(capture.warningLines(), QStringList{"Response is not valid frame"});
    QCOMPARE(capture.debugLines(), QStringList{"Invalid Response frame"});
}

void TestExchanges::partialAnswerThenSilenceTimesOut()
{
    bench->unit.setCommandFault(0x11, NoAnswer());
    QCOMPARE(bench->window.SendJumpToBootloader(), Success);
    std::thread feeder([this] {
        if (bench->unit.waitForFrames(2, 5000))
            bench->unit.sendRaw(QByteArray::fromHex("00000081000000"));
    });
    MessageCapture capture;
    QElapsedTimer clock;
    clock.start();
    const bool reported = bench->window.RunVerifyApplication();
    feeder.join();
    QVERIFY(!reported);
    QVERIFY(clock.elapsed() >= 20000);
    QCOMPARE(capture.debugLines(), QStringList{"Frame read timed out!"});
    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().text, QString("Verify Application: Port read timed out"));
    QCOMPARE(lines.first().colour, LOG_RED);
}

void TestExchanges::refusedWriteIsReported()
{
    bench->window.serialPort->close();
    QCOMPARE(bench->window.SendVerifyApplication(), WriteTimedOut);
    QVERIFY(!bench->window.RunEraseApplication());
    QCOMPARE(LogTexts(bench->window.progressTextEdit), QStringList{"Erase Application: Port write timed out"});
    QVERIFY(bench->unit.frames().isEmpty());
}

QTEST_MAIN(TestExchanges)
#include "tst_exchanges.moc"
