#include <QtTest>

#include <functional>

#include <QSerialPort>
#include <QTextEdit>

#include "rom/romimage.h"
#include "support/logpane.h"
#include "support/unitbench.h"
#include "support/writerefusal.h"

// What happens to the line just before the step.
enum class Before { Nothing, StaleAnswerArrives, StaleRefusalUnread, PortIsClosed, WritesFail };
Q_DECLARE_METATYPE(Before)

namespace {

// What happens to the line just before the step; false if it could not be done.
bool Prepare(UnitBench &bench, Before before)
{
    switch (before) {
    case Before::Nothing:
        return true;
    case Before::StaleAnswerArrives:
        if (!bench.unit.sendRaw(QByteArray::fromHex("000000810000FF7F")))
            return false;
        QTest::qWait(200);
        return true;
    case Before::StaleRefusalUnread:
        // The refusal waits in the system while the event loop does not run.
        if (!bench.unit.sendRaw(QByteArray::fromHex("000000F00000FF10")))
            return false;
        QThread::msleep(200);
        return true;
    case Before::PortIsClosed:
        bench.window.serialPort->close();
        return true;
    case Before::WritesFail:
        WriteRefusal::refuse(int(bench.window.serialPort->handle()));
        return true;
    }
    return false;
}

} // namespace

// One step at a time against the simulated unit on a real port: what the step's wrapper
// logs is what the user learns of the exchange.
class TestExchanges : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
};

void TestExchanges::answers_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<Before>("before");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("frames");
    QTest::addColumn<int>("baud");
    QTest::addColumn<int>("unitRate");
    // The status bar's reason, after the red line.
    QTest::addColumn<QString>("reason");

    const int followed = EcuSimulator::RateOfThePort;
    // Unpaced, the unit's pieces reach the port whole: nine bytes in one read.
    Fault ninth = Fault::answerInPieces({5}, 300, QByteArray(1, '\0'));
    ninth.delayMs = 50;
    Fault late;
    QTest::newRow("an answer a byte at a time is put together")
        << 0x12 << Fault::answerInPieces(QVector<int>(7, 1), 150) << Before::Nothing << ""
        << QByteArray::fromHex("1012") << 115200 << followed << "";
    QTest::newRow("a stale answer is not taken for the next")
        << 0x11 << Fault() << Before::StaleAnswerArrives << "Verify Application: Received verify failure response"
        << QByteArray::fromHex("1011") << 115200 << followed << "";
    QTest::newRow("a ninth byte after a pause spoils the answer")
        << 0x12 << ninth << Before::Nothing << "Erase Application: Invalid response frame received"
        << QByteArray::fromHex("1012") << 115200 << 0 << "";
    QTest::newRow("a closed port fails the write")
        << 0x12 << Fault() << Before::PortIsClosed << "Erase Application: Port write timed out"
        << QByteArray::fromHex("10") << 115200 << followed << "";
    QTest::newRow("a device that fails the write fails the step")
        << 0x12 << Fault() << Before::WritesFail << "Erase Application: Port write timed out"
        << QByteArray::fromHex("10") << 115200 << followed << "";
    // The wait runs 20 s from the moment the data frame has left: a second away from both.
    late.delayMs = 19000;
    QTest::newRow("a data frame's answer may come 19 s after it left")
        << 0x16 << late << Before::Nothing << "" << QByteArray::fromHex("10121516") << 115200 << followed << "";
    late.delayMs = 22500;
    QTest::newRow("a data frame's answer 22.5 s after it left is too late")
        << 0x16 << late << Before::Nothing << "Flash Application: Port read timed out"
        << QByteArray::fromHex("10121516") << 115200 << followed << "";
    // Bytes the idle reader never saw, as the event loop did not run, are still not taken.
    QTest::newRow("a refusal that came while nothing read the line is not taken")
        << 0x11 << Fault::answerStatus(0x81) << Before::StaleRefusalUnread << "" << QByteArray::fromHex("1011")
        << 115200 << followed << "";
    // Another command's success status is a copy of an earlier answer.
    QTest::newRow("a copy of another command's answer is not taken, and the time-out names it")
        << 0x12 << Fault::answerStatus(0x85) << Before::Nothing << "Erase Application: Port read timed out"
        << QByteArray::fromHex("1012") << 115200 << followed
        << "Erase Application: Port read timed out, after a dropped answer: an answer was taken for a copy of an "
           "earlier one";
    Fault refusedEarly;
    refusedEarly.earlyBytes = QByteArray::fromHex("000000F00000FF10");
    QTest::newRow("a refusal that comes while the frame goes out fails it once it has left")
        << 0x16 << refusedEarly << Before::Nothing << "Flash Application: Received flash failure response"
        << QByteArray::fromHex("10121516") << 115200 << followed << "";
    // The data frame alone spends 34 s on the line, longer than one response wait.
    QTest::newRow("a data frame longer on the line than a response wait")
        << 0x16 << Fault() << Before::Nothing << "" << QByteArray::fromHex("10121516") << 4800 << followed << "";
}

void TestExchanges::answers()
{
    QFETCH(int, command);
    QFETCH(Fault, fault);
    QFETCH(Before, before);
    QFETCH(QString, line);
    QFETCH(QByteArray, frames);
    QFETCH(int, baud);
    QFETCH(int, unitRate);
    QFETCH(QString, reason);

    UnitBench bench;
    QVERIFY(bench.start(QString::number(baud)));
    Norvane &window = bench.window;
    const QHash<int, std::function<bool()>> steps = {
        {0x11, [&] { return window.RunVerifyApplication(); }},
        {0x12, [&] { return window.RunEraseApplication(); }},
        {0x16,
         [&] {
             return window.RunEraseApplication() && window.RunFlashApplication({0, SampleImage(16384)});
         }},
    };
    QVERIFY(window.RunJumpToBootloader());
    bench.unit.setLineRate(unitRate);
    bench.unit.setCommandFault(quint8(command), fault);
    QVERIFY(Prepare(bench, before));

    QElapsedTimer clock;
    clock.start();
    const bool succeeded = steps.value(command)();
    // The answer really came in pieces.
    QVERIFY(clock.elapsed() >= fault.gapMs * fault.pieces.size());
    WriteRefusal::refuse(-1);
    const QVector<LogLine> lines = LogLines(window.progressTextEdit);
    // The unit has a frame once its time on the line is over, a moment after the tool's clock.
    bench.unit.waitForFrames(frames.size(), 1000);
    QCOMPARE(bench.unit.receivedCommands(), frames);
    const QStringList reasons = StatusReasons(window);
    QCOMPARE(reasons.isEmpty() ? QString() : reasons.last(), reason);
    if (line.isEmpty()) {
        QVERIFY(succeeded);
        for (const LogLine &logged : lines)
            QCOMPARE(logged.colour, LOG_BLUE);
        return;
    }
    QVERIFY(!succeeded);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().text, line);
    QCOMPARE(lines.first().colour, LOG_RED);
}

QTEST_MAIN(TestExchanges)
#include "tst_exchanges.moc"
