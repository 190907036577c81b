#include <QtTest>

#include <memory>

#include <QSerialPort>
#include <QTextEdit>

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
    void init();
    void cleanup();
    void answers_data();
    void answers();
    void writeErrors_data();
    void writeErrors();

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
    WriteRefusal::refuse(-1);
    bench.reset();
}

void TestExchanges::answers_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<EcuSimulator::Fault>("fault");
    QTest::addColumn<QByteArray>("stale");
    QTest::addColumn<QString>("line");

    const EcuSimulator::Fault none;
    QTest::newRow("answer in two pieces") << 0x10 << AnswerInPieces({5}, 300) << QByteArray() << "";
    QTest::newRow("answer a byte at a time") << 0x12 << AnswerInPieces(QVector<int>(7, 1), 150) << QByteArray() << "";
    QTest::newRow("reset answered") << 0x14 << none << QByteArray() << "";
    QTest::newRow("stale positive answer on the line")
        << 0x11 << none << QByteArray::fromHex("000000810000FF7F")
        << "Verify Application: Received verify failure response";
    QTest::newRow("jump refused") << 0x10 << AnswerStatus(0x81) << QByteArray()
                                  << "Jump to boot loader: Received jump to bootloader failure response";
    QTest::newRow("verify answered as jump") << 0x11 << AnswerStatus(0x80) << QByteArray()
                                             << "Verify Application: Received verify failure response";
    QTest::newRow("erase refused") << 0x12 << AnswerStatus(0x00) << QByteArray()
                                   << "Erase Application: Received erase failure response";
    QTest::newRow("reset answered as start") << 0x14 << AnswerStatus(0x85) << QByteArray()
                                             << "Reset ECU: Received reset failure response";
    QTest::newRow("wrong checksum") << 0x10 << WrongChecksum() << QByteArray()
                                    << "Jump to boot loader: Invalid response frame received";
    QTest::newRow("a ninth byte after a pause") << 0x12 << AnswerInPieces({5}, 300, QByteArray(1, '\0')) << QByteArray()
                                                << "Erase Application: Invalid response frame received";
    QTest::newRow("seven bytes, then silence") << 0x11 << AnswerInPieces({7}, 25000) << QByteArray()
                                               << "Verify Application: Port read timed out";
}

void TestExchanges::answers()
{
    QFETCH(int, command);
    QFETCH(EcuSimulator::Fault, fault);
    QFETCH(QByteArray, stale);
    QFETCH(QString, line);

    const QHash<int, bool (Norvane::*)()> steps = {{0x10, &Norvane::RunJumpToBootloader},
                                                   {0x11, &Norvane::RunVerifyApplication},
                                                   {0x12, &Norvane::RunEraseApplication},
                                                   {0x14, &Norvane::RunResetECU}};
    Norvane &window = bench->window;
    if (command != 0x10)
        QVERIFY(window.RunJumpToBootloader());
    if (!stale.isEmpty()) {
        QVERIFY(bench->unit.sendRaw(stale));
        QTest::qWait(200);
    }
    bench->unit.setCommandFault(quint8(command), fault);

    const bool succeeded = (window.*steps.value(command))();
    const QVector<LogLine> lines = LogLines(window.progressTextEdit);
    if (line.isEmpty()) {
        QVERIFY(succeeded);
        QVERIFY(lines.isEmpty());
    } else {
        QVERIFY(!succeeded);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().text, line);
        QCOMPARE(lines.first().colour, LOG_RED);
    }
    QCOMPARE(quint8(ReceivedCommands(bench->unit).back()), quint8(command));
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
    QSerialPort *port = bench->window.serialPort;
    if (failWhileWaiting)
        WriteRefusal::refuse(int(port->handle()));
    else
        port->close();

    QVERIFY(!bench->window.RunEraseApplication());
    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.first().text, QString("Erase Application: Port write timed out"));
    QCOMPARE(lines.first().colour, LOG_RED);
    QVERIFY(bench->unit.frames().isEmpty());
}

QTEST_MAIN(TestExchanges)
#include "tst_exchanges.moc"
