#include <QtTest>

#include <functional>

#include <QSerialPort>
#include <QTextEdit>

#include "rom/romimage.h"
#include "support/logpane.h"
#include "support/unitbench.h"
#include "support/writerefusal.h"

Q_DECLARE_METATYPE(EcuSimulator::Fault)

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
    QTest::addColumn<EcuSimulator::Fault>("fault");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QByteArray>("frames");

    EcuSimulator::Fault late;
    QTest::newRow("answer a byte at a time")
        << 0x12 << AnswerInPieces(QVector<int>(7, 1), 150) << "" << "" << QByteArray::fromHex("1012");
    QTest::newRow("stale positive answer on the line") << 0x11 << EcuSimulator::Fault() << "stale answer"
        << "Verify Application: Received verify failure response" << QByteArray::fromHex("1011");
    QTest::newRow("erase refused") << 0x12 << AnswerStatus(0x00) << ""
        << "Erase Application: Received erase failure response" << QByteArray::fromHex("1012");
    QTest::newRow("a ninth byte after a pause") << 0x12 << AnswerInPieces({5}, 300, QByteArray(1, '\0')) << ""
        << "Erase Application: Invalid response frame received" << QByteArray::fromHex("1012");
    QTest::newRow("port closed under the step") << 0x12 << EcuSimulator::Fault() << "port closed"
        << "Erase Application: Port write timed out" << QByteArray::fromHex("10");
    QTest::newRow("device fails the write while the answer is awaited") << 0x12 << EcuSimulator::Fault()
        << "writes fail" << "Erase Application: Port write timed out" << QByteArray::fromHex("10");
    // The wait runs 20 s from the moment the data frame has left: a second away from both.
    late.delayMs = 19000;
    QTest::newRow("data frame answered 19 s after it left")
        << 0x16 << late << "" << "" << QByteArray::fromHex("10121516");
    late.delayMs = 22500;
    QTest::newRow("data frame answered 22.5 s after it left") << 0x16 << late << ""
        << "Flash Application: Port read timed out" << QByteArray::fromHex("10121516");
}

void TestExchanges::answers()
{
    QFETCH(int, command);
    QFETCH(EcuSimulator::Fault, fault);
    QFETCH(QString, before);
    QFETCH(QString, line);
    QFETCH(QByteArray, frames);

    UnitBench bench;
    QVERIFY(bench.start());
    // Paced, the data frame's last byte arrives 1.42 s after its first.
    if (command == 0x16)
        bench.unit.setLineRate(115200);
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

    const bool succeeded = steps.value(command)();
    WriteRefusal::refuse(-1);
    const QVector<LogLine> lines = LogLines(window.progressTextEdit);
    QCOMPARE(ReceivedCommands(bench.unit), frames);
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
