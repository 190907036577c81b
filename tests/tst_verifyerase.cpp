#include <QtTest>

#include <ctime>

#include <QComboBox>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextEdit>

#include "support/logpane.h"
#include "support/modemlinerecorder.h"
#include "support/unitbench.h"
#include "ui/myconnectbutton.h"


// The line is gone while the button still reads Disconnect: every operation is refused.
static void ExpectEveryOperationRefused(UnitBench &bench)
{
    QVERIFY(!bench.window.serialPort->isOpen());
    bench.answerer.clear();
    const QStringList logBefore = LogTexts(bench.window.progressTextEdit);
    for (QPushButton *button : {bench.window.verifyButton, bench.window.eraseButton, bench.window.flashButton})
        QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(bench.answerer.texts(), QVector<QString>(3, "Please connect to the port!").toList());
    QCOMPARE(LogTexts(bench.window.progressTextEdit), logBefore);
}

// Operations driven through the window's buttons against the simulated unit, and the far end
// of the line going away under them or while idle.
class TestVerifyErase : public QObject
{
    Q_OBJECT

private slots:
    void operations_data();
    void operations();
    void portClosesOnlyWhenTheLineIsLost();
};

void TestVerifyErase::operations_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("command");
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<int>("redLines");
    QTest::addColumn<QByteArray>("frames");

    const QStringList verifying = {"[Verify Hanlder] Verify command started",
                                   "[Verify Hanlder] Jump to boot loader success", "[Verify Hanlder] Verifying.."};
    const QStringList erased = {"[Erase Hanlder] Erase command started", "[Erase Hanlder] Jump to boot loader success",
                                "[Erase Hanlder] Erasing..", "[Erase Hanlder] Erase success"};
    // The unit holds no image, so it refuses a Verify unless its answer is changed.
    QTest::newRow("verify") << "verifyButton" << 0x11 << Fault::answerStatus(0x81)
        << verifying + QStringList{"[Verify Hanlder] Verify success", "[Verify Hanlder] Resetting..",
                                   "[Verify Hanlder] Reset success"} << 0 << QByteArray::fromHex("101114");
    QTest::newRow("erase") << "eraseButton" << 0x12 << Fault()
        << erased + QStringList{"[Erase Hanlder] Reseting", "[Erase Hanlder] Reset success"} << 0
        << QByteArray::fromHex("101214");
    QTest::newRow("verify: jump refused") << "verifyButton" << 0x10 << Fault::answerStatus(0x81)
        << QStringList{"[Verify Hanlder] Verify command started",
                       "Jump to boot loader: Received jump to bootloader failure response",
                       "[Verify Hanlder] Jump to boot loader failed"} << 2 << QByteArray::fromHex("10");
    QTest::newRow("verify: refused") << "verifyButton" << 0x11 << Fault()
        << verifying + QStringList{"Verify Application: Received verify failure response",
                                   "[Verify Hanlder] Verify failed"} << 2 << QByteArray::fromHex("1011");
    QTest::newRow("verify: line hung up") << "verifyButton" << 0x11 << Fault::lineHangUp()
        << verifying + QStringList{"Verify Application: Port read timed out", "[Verify Hanlder] Verify failed"}
        << 2 << QByteArray::fromHex("1011");
    QTest::newRow("erase: answer corrupt") << "eraseButton" << 0x12 << Fault::corruptChecksum()
        << erased.mid(0, 3) + QStringList{"Erase Application: Invalid response frame received",
                                          "[Erase Hanlder] Erase failed"} << 2 << QByteArray::fromHex("1012");
    QTest::newRow("erase: reset refused") << "eraseButton" << 0x14 << Fault::answerStatus(0x7F)
        << erased + QStringList{"[Erase Hanlder] Reseting", "Reset ECU: Received reset failure response",
                                "[Erase Hanlder] Reset failed"} << 2 << QByteArray::fromHex("101214");
    QTest::newRow("flash: line hung up at the last frame") << "flashButton" << 0x16 << Fault::lineHangUp()
        << QStringList{"[Flash Hanlder] Flash command started", "[Flash Hanlder] Jump to boot loader success",
                       "[Flash Hanlder] Erasing..", "[Flash Hanlder] Erase success", "[Flash Hanlder] Flashing.. 50%",
                       "Flash Application: Port read timed out", "[Flash Hanlder] Flash failed"}
        << 2 << QByteArray::fromHex("1012151316");
}

// Whatever is clicked meanwhile, an operation runs its course; a failure ends it in two red
// lines, the step's own and the operation's, with nothing sent after them.
void TestVerifyErase::operations()
{
    QFETCH(QString, button);
    QFETCH(int, command);
    QFETCH(Fault, fault);
    QFETCH(QStringList, lines);
    QFETCH(int, redLines);
    QFETCH(QByteArray, frames);
    // At 1200 baud a command frame spends 67 ms on the line, so the order of frames and line
    // changes shows in their times; a data frame would take minutes.
    const bool commandsOnly = button != "flashButton";
    UnitBench bench;
    QVERIFY(bench.start(commandsOnly ? "1200" : "115200"));
    bench.unit.setLineRate(commandsOnly ? 1200 : 0);
    Norvane &window = bench.window;
    QTemporaryDir directory;
    window.romFilePath = directory.filePath("two.rom");
    window.hexFileTextEdit->setPlainText(window.romFilePath);
    QVERIFY(WriteRomFile(window.romFilePath, 0x80000, SampleImage(2 * 16384)));
    bench.unit.setCommandFault(quint8(command), fault);
    const QString port = bench.unit.portPath();
    const int eventsBefore = ModemLineRecorder::events(port).size();
    window.comportComboBox->addItem("another-port");

    // Runs at the first log line, when the window lets input through.
    QTimer::singleShot(0, &window, [&window] {
        for (QPushButton *other : {window.verifyButton, window.eraseButton, window.flashButton, window.browseButton,
                                   static_cast<QPushButton *>(window.connectButton)})
            QTest::mouseClick(other, Qt::LeftButton);
        window.comportComboBox->setCurrentText("another-port");
        window.baudrateComboBox->setCurrentText("9600");
    });
    QTest::mouseClick(window.findChild<QPushButton *>(button), Qt::LeftButton);

    QCOMPARE(bench.answerer.texts(), QVector<QString>(7, "Operation is in progress please wait..").toList());
    QCOMPARE(LogTexts(window.progressTextEdit), lines);
    const QVector<LogLine> logged = LogLines(window.progressTextEdit);
    for (int i = 0; i < logged.size(); ++i)
        QCOMPARE(logged.at(i).colour, i < logged.size() - redLines ? LOG_BLUE : LOG_RED);
    QCOMPARE(bench.unit.receivedCommands(), frames);
    QVERIFY(!window.busy);
    if (fault.hangUp)
        ExpectEveryOperationRefused(bench);
    else
        QVERIFY(window.serialPort->isOpen() && window.connectButton->isChecked());
    QCOMPARE(window.connectButton->text(), QString("Disconnect"));

    // DTR on, RTS on, RTS off after the pulse, Jump after the settle, DTR off when the sequence
    // ends (before Reset if it goes); a lost line takes no more changes.
    const QVector<ModemLineRecorder::Event> events = ModemLineRecorder::events(port).mid(eventsBefore);
    QStringList levels;
    for (const ModemLineRecorder::Event &event : events)
        levels << QString(event.dtr ? "DTR" : "dtr") + (event.rts ? " RTS" : " rts");
    QCOMPARE(levels, QStringList({"DTR rts", "DTR RTS", "DTR rts", "dtr rts"}).mid(0, fault.hangUp ? 3 : 4));
    const QVector<EcuSimulator::ReceivedFrame> received = bench.unit.frames();
    const qint64 pulse = events.at(2).atMs - events.at(1).atMs;
    const qint64 settle = received.at(0).atMs - events.at(2).atMs;
    // Never cut short; the upper bounds catch a wait of the wrong kind (a 2 s pause for the
    // pulse, a second pause before the request), not a loaded machine's lateness.
    QVERIFY2(pulse >= 100 && pulse < 1500, qPrintable(QString::number(pulse)));
    QVERIFY2(settle >= 2000 && settle < 4000, qPrintable(QString::number(settle)));
    if (received.size() > 1)
        QVERIFY(received.at(1).atMs - received.at(0).atMs >= 2000);
    if (frames.endsWith('\x14'))
        QVERIFY(events.at(3).atMs >= received.at(1).atMs && events.at(3).atMs <= received.at(2).atMs);
}

// A refused modem line leaves the port open; a hang-up closes it, quietly and without burning
// CPU, and a fresh unit can then be reached.
void TestVerifyErase::portClosesOnlyWhenTheLineIsLost()
{
    UnitBench bench;
    QVERIFY(bench.start());
    // Without the stand-in, the line refuses DTR as a bare pseudo-terminal does.
    ModemLineRecorder::setEmulating(false);
    const bool refused = !bench.window.serialPort->setDataTerminalReady(true);
    ModemLineRecorder::setEmulating(true);
    QVERIFY(refused);
    QTest::qWait(200);
    QCOMPARE(bench.window.SendJumpToBootloader(), Success);

    bench.unit.hangUpAfterFrames(0);
    QTRY_VERIFY(!bench.window.serialPort->isOpen());
    const std::clock_t cpuBefore = std::clock();
    QTest::qWait(2000);
    const qint64 cpuMs = qint64(std::clock() - cpuBefore) * 1000 / CLOCKS_PER_SEC;
    QVERIFY2(cpuMs < 100, qPrintable(QString("%1 ms of CPU in 2 s").arg(cpuMs)));
    QVERIFY(bench.answerer.boxes().isEmpty());
    QVERIFY(bench.window.progressTextEdit->toPlainText().isEmpty());
    ExpectEveryOperationRefused(bench);

    // Disconnect, then a fresh unit on a new line.
    QTest::mouseClick(bench.window.connectButton, Qt::LeftButton);
    EcuSimulator fresh;
    QVERIFY(fresh.start());
    QVERIFY(bench.driver.connectTo(fresh.portPath()));
    fresh.setCommandFault(0x11, Fault::answerStatus(0x81));
    QTest::mouseClick(bench.window.verifyButton, Qt::LeftButton);
    QCOMPARE(LogTexts(bench.window.progressTextEdit).last(), QString("[Verify Hanlder] Reset success"));
    QCOMPARE(fresh.receivedCommands(), QByteArray::fromHex("101114"));
}

QTEST_MAIN(TestVerifyErase)
#include "tst_verifyerase.moc"
