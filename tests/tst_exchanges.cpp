#include <QtTest>

#include <QSerialPort>
#include <QTextEdit>

#include <thread>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "support/logpane.h"
#include "support/messagecapture.h"
#include "support/modalanswerer.h"
#include "support/unitbench.h"

namespace {

EcuSimulator::Fault Pieces(QVector<int> sizes, int gapMs)
{
    EcuSimulator::Fault fault;
    fault.pieces = sizes;
    fault.gapMs = gapMs;
    return fault;
}

EcuSimulator::Fault Status(int status)
{
    EcuSimulator::Fault fault;
    fault.status = status;
    return fault;
}

} // namespace

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
    EcuSimulator *unit = nullptr;
    Norvane *window = nullptr;
    ModalAnswerer *answerer = nullptr;
};

void TestExchanges::init()
{
    unit = new EcuSimulator;
    QVERIFY(unit->start());
    answerer = new ModalAnswerer;
    window = new Norvane;
    QVERIFY(ConnectWindow(*window, unit->portPath()));
}

void TestExchanges::cleanup()
{
    delete window;
    delete answerer;
    delete unit;
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
    unit->setCommandFault(0x10, Pieces(pieces, gapMs));
    MessageCapture capture;
    QCOMPARE(window->SendJumpToBootloader(), Success);
    QCOMPARE(capture.debugLines(), QStringList{"Jump to Boot Loader Successfull!"});
    QCOMPARE(capture.linesWithLocation(), 0);
}

void TestExchanges::bytesBeyondTheAnswerAreDropped()
{
    // The port reads at most 8 bytes at once: the ninth waits and is cleared away.
    EcuSimulator::Fault extra;
    extra.extraBytes = QByteArray::fromHex("81");
    unit->setCommandFault(0x10, extra);
    QCOMPARE(window->SendJumpToBootloader(), Success);
    QTest::qWait(100);
    // A misaligned answer would be invalid; the unit's refusal arrives whole instead.
    QCOMPARE(window->SendVerifyApplication(), VerifyApplicationFailed);
    QCOMPARE(ReceivedCommands(*unit), QByteArray::fromHex("1011"));
}

void TestExchanges::staleBytesAreNotTakenForTheAnswer()
{
    // A positive Verify answer sitting on the line must not answer the Jump.
    QVERIFY(unit->sendRaw(QByteArray::fromHex("000000810000FF7F")));
    QTest::qWait(200);
    MessageCapture capture;
    QCOMPARE(window->SendJumpToBootloader(), Success);
    QCOMPARE(capture.debugLines(), QStringList{"Jump to Boot Loader Successfull!"});
}

void TestExchanges::statusesAreJudged()
{
    MessageCapture capture;
    unit->setCommandFault(0x10, Status(0x81));
    QCOMPARE(window->SendJumpToBootloader(), JumpToBootloaderFailed);
    unit->clearFaults();
    QCOMPARE(window->SendJumpToBootloader(), Success);

    unit->setCommandFault(0x11, Status(0x80));
    QCOMPARE(window->SendVerifyApplication(), VerifyApplicationFailed);
    unit->setCommandFault(0x12, Status(0x00));
    QCOMPARE(window->SendEraseApplication(), EraseApplicationFailed);
    unit->setCommandFault(0x15, Status(0x83));
    QCOMPARE(window->SendFlashApplicationStart(), FlashApplicationFailed);
    unit->setCommandFault(0x14, Status(0x85));
    QCOMPARE(window->SendResetECU(), ResetECUFailed);
    QCOMPARE(capture.debugLines(),
             QStringList({"Jump to Boot Loader failed", "Jump to Boot Loader Successfull!", "Verification failed",
                          "Erase Application failed", "Flash start failed", "Reset ECU failed"}));

    // A wrapper logs its red cause line and gives false; success logs nothing.
    unit->clearFaults();
    window->AppendLog(Clear, "");
    QVERIFY(window->RunJumpToBootloader());
    QVERIFY(window->progressTextEdit->toPlainText().isEmpty());
    unit->setCommandFault(0x14, Status(0x00));
    QVERIFY(!window->RunResetECU());
    const QVector<LogLine> lines = LogLines(window->progressTextEdit);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().text, QString("Reset ECU: Received reset failure response"));
    QCOMPARE(lines.first().colour, LOG_RED);
}

void TestExchanges::wrongChecksumIsInvalid()
{
    EcuSimulator::Fault fault;
    fault.wrongChecksum = true;
    unit->setCommandFault(0x10, fault);
    MessageCapture capture;
    QCOMPARE(window->SendJumpToBootloader(), InvalidResponseFrame);
    QCOMPARE(capture.debugLines(), QStringList{"Invalid Response frame"});
    QVERIFY(capture.warningLines().isEmpty());

    QVERIFY(!window->RunJumpToBootloader());
    QCOMPARE(LogTexts(window->progressTextEdit),
             QStringList{"Jump to boot loader: Invalid response frame received"});
}

void TestExchanges::overlongAnswerIsInvalid()
{
    // Five bytes, then four more: nine collected bytes are no frame.
    EcuSimulator::Fault silent;
    silent.silent = true;
    unit->setCommandFault(0x10, silent);
    std::thread feeder([this] {
        if (!unit->waitForFrames(1, 5000))
            return;
        unit->sendRaw(QByteArray::fromHex("0000008000"));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        unit->sendRaw(QByteArray::fromHex("00FF8000"));
    });
    MessageCapture capture;
    const CommandResult result = window->SendJumpToBootloader();
    feeder.join();
    QCOMPARE(result, InvalidResponseFrame);
    QCOMPARE(capture.warningLines(), QStringList{"Response is not valid frame"});
    QCOMPARE(capture.debugLines(), QStringList{"Invalid Response frame"});
}

void TestExchanges::partialAnswerThenSilenceTimesOut()
{
    EcuSimulator::Fault silent;
    silent.silent = true;
    unit->setCommandFault(0x11, silent);
    QCOMPARE(window->SendJumpToBootloader(), Success);
    std::thread feeder([this] {
        if (unit->waitForFrames(2, 5000))
            unit->sendRaw(QByteArray::fromHex("00000081000000"));
    });
    MessageCapture capture;
    QElapsedTimer clock;
    clock.start();
    const bool reported = window->RunVerifyApplication();
    feeder.join();
    QVERIFY(!reported);
    QVERIFY(clock.elapsed() >= 20000);
    QCOMPARE(capture.debugLines(), QStringList{"Frame read timed out!"});
    const QVector<LogLine> lines = LogLines(window->progressTextEdit);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().text, QString("Verify Application: Port read timed out"));
    QCOMPARE(lines.first().colour, LOG_RED);
}

void TestExchanges::refusedWriteIsReported()
{
    window->serialPort->close();
    QCOMPARE(window->SendVerifyApplication(), WriteTimedOut);
    QVERIFY(!window->RunEraseApplication());
    QCOMPARE(LogTexts(window->progressTextEdit), QStringList{"Erase Application: Port write timed out"});
    QVERIFY(unit->frames().isEmpty());
}

QTEST_MAIN(TestExchanges)
#include "tst_exchanges.moc"
