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
    void writeErrors_data();
    void writeErrors();
};

void TestExchanges::answers_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<EcuSimulator::Fault>("fault");
    QTest::addColumn<QByteArray>("stale");
    QTest::addColumn<QString>("line");

    const EcuSimulator::Fault none;
    EcuSimulator::Fault late;
    QTest::newRow("answer a byte at a time") << 0x12 << AnswerInPieces(QVector<int>(7, 1), 150) << QByteArray() << "";
    QTest::newRow("stale positive answer on the line") << 0x11 << none << QByteArray::fromHex("000000810000FF7F")
                                                       << "Verify Application: Received verify failure response";
    QTest::newRow("verify answered as jump") << 0x11 << AnswerStatus(0x80) << QByteArray()
                                             << "Verify Application: Received verify failure response";
    QTest::newRow("erase refused") << 0x12 << AnswerStatus(0x00) << QByteArray()
                                   << "Erase Application: Received erase failure response";
    QTest::newRow("reset answered as start") << 0x14 << AnswerStatus(0x85) << QByteArray()
                                             << "Reset ECU: Received reset failure response";
    QTest::newRow("a ninth byte after a pause") << 0x12 << AnswerInPieces({5}, 300, QByteArray(1, '\0')) << QByteArray()
                                                << "Erase Application: Invalid response frame received";
    // The wait runs 20 s from the moment the data frame has left: a second away from both.
    late.delayMs = 19000;
    QTest::newRow("data frame answered 19 s after it left") << 0x16 << late << QByteArray() << "";
    late.delayMs = 22500;
    QTest::newRow("data frame answered 22.5 s after it left")
        << 0x16 << late << QByteArray() << "Flash Application: Port read timed out";
}

void TestExchanges::answers()
{
    QFETCH(int, command);
    QFETCH(EcuSimulator::Fault, fault);
    QFETCH(QByteArray, stale);
    QFETCH(QString, line);

    UnitBench bench;
    QVERIFY(bench.start());
    // Paced, the data frame's last byte arrives 1.42 s after its first.
    if (command == 0x16)
        bench.unit.setLineRate(115200);
    Norvane &window = bench.window;
    const QHash<int, std::function<bool()>> steps = {
        {0x10, [&] { return window.RunJumpToBootloader(); }},
        {0x11, [&] { return window.RunVerifyApplication(); }},
        {0x12, [&] { return window.RunEraseApplication(); }},
        {0x14, [&] { return window.RunResetECU(); }},
        {0x16, [&] { return window.RunEraseApplication() && window.RunFlashApplication({0, SampleImage(16384)}); }},
    };
    if (command != 0x10)
        QVERIFY(window.RunJumpToBootloader());
    if (!stale.isEmpty()) {
        QVERIFY(bench.unit.sendRaw(stale));
        QTest::qWait(200);
    }
    bench.unit.setCommandFault(quint8(command), fault);

    const bool succeeded = steps.value(command)();
    const QVector<LogLine> lines = LogLines(window.progressTextEdit);
    QCOMPARE(quint8(ReceivedCommands(bench.unit).back()), quint8(command));
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

void TestExchanges::writeErrors_data()
{
    QTest::addColumn<bool>("failWhileWaiting");
    QTest::newRow("port closed under the step") << false;
    QTest::newRow("device fails the write while the answer is awaited") << true;
}

void TestExchanges::writeErrors()
{
    QFETCH(bool, failWhileWaiting);
    UnitBench bench;
    QVERIFY(bench.start());
    if (failWhileWaiting)
        WriteRefusal::refuse(int(bench.window.serialPort->handle()));
    else
        bench.window.serialPort->close();

    const bool succeeded = bench.window.RunEraseApplication();
    WriteRefusal::refuse(-1);
    QVERIFY(!succeeded);
    const QVector<LogLine> lines = LogLines(bench.window.progressTextEdit);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().text, QString("Erase Application: Port write timed out"));
    QCOMPARE(lines.first().colour, LOG_RED);
    QVERIFY(bench.unit.frames().isEmpty());
}

QTEST_MAIN(TestExchanges)
#include "tst_exchanges.moc"
