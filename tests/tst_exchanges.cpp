#include <QtTest>

#include <functional>

#include <QSerialPort>
#include <QTextEdit>

#include "rom/romimage.h"
#include "support/logpane.h"
#include "support/unitbench.h"
#include "support/writerefusal.h"


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
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("frames");
    QTest::addColumn<int>("lineRate");  // 0: unpaced

    Fault late;
    QTest::newRow("answer a byte at a time")
        << 0x12 << Fault::answerInPieces(QVector<int>(7, 1), 150) << "" << "" << QByteArray::fromHex("1012") << 0;
    QTest::newRow("stale positive answer on the line") << 0x11 << Fault() << "stale answer"
        << "Verify Application: Received verify failure response" << QByteArray::fromHex("1011") << 0;
    QTest::newRow("a ninth byte after a pause") << 0x12 << Fault::answerInPieces({5}, 300, QByteArray(1, '\0')) << ""
        << "Erase Application: Invalid response frame received" << QByteArray::fromHex("1012") << 0;
    QTest::newRow("port closed under the step") << 0x12 << Fault() << "port closed"
        << "Erase Application: Port write timed out" << QByteArray::fromHex("10") << 0;
    QTest::newRow("device fails the write while the answer is awaited") << 0x12 << Fault()
        << "writes fail" << "Erase Application: Port write timed out" << QByteArray::fromHex("10") << 0;
    // The wait runs 20 s from the moment the data frame has left: a second away from both.
    late.delayMs = 19000;
    QTest::newRow("data frame answered 19 s after it left")
        << 0x16 << late << "" << "" << QByteArray::fromHex("10121516") << 115200;
    late.delayMs = 22500;
    QTest::newRow("data frame answered 22.5 s after it left") << 0x16 << late << ""
        << "Flash Application: Port read timed out" << QByteArray::fromHex("10121516") << 115200;
    // The data frame alone spends 34 s on the line, longer than one response wait.
    QTest::newRow("data frame at 4800 baud") << 0x16 << Fault() << "" << "" << QByteArray::fromHex("10121516") << 4800;
}

void TestExchanges::answers()
{
    QFETCH(int, command);
    QFETCH(Fault, fault);
    QFETCH(QString, before);
    QFETCH(QString, line);
    QFETCH(QByteArray, frames);
    QFETCH(int, lineRate);

    UnitBench bench;
    QVERIFY(bench.start(QString::number(lineRate ? lineRate : 115200)));
    bench.unit.setLineRate(lineRate);
    Norvane &window = bench.window;
    const QHash<int, std::function<bool()>> steps = {
        {0x11, [&] { return window.RunVerifyApplication(); }},
        {0x12, [&] { return window.RunEraseApplication(); }},
        {0x16, [&] { return window.RunEraseApplication() && window.RunFlashApplication({0, SampleImage(16384)}); }},
    };
    QVERIFY(window.RunJumpToBootloader());
    bench.unit.setCommandFault(quint8(command), fault);
    if (before == "stale answer") {
        QVERIFY(bench.unit.sendRaw(QByteArray::fromHex("000000810000FF7F")));
        QTest::qWait(200);
    } else if (before == "port closed") {
        window.serialPort->close();
    } else if (before == "writes fail") {
        WriteRefusal::refuse(int(window.serialPort->handle()));
    }

    QElapsedTimer clock;
    clock.start();
    const bool succeeded = steps.value(command)();
    // The answer really came in pieces.
    QVERIFY(clock.elapsed() >= fault.gapMs * fault.pieces.size());
    WriteRefusal::refuse(-1);
    const QVector<LogLine> lines = LogLines(window.progressTextEdit);
    QCOMPARE(bench.unit.receivedCommands(), frames);
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
