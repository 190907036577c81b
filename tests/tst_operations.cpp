#include <QtTest>

#include <ctime>

#include <QComboBox>
#include <QPushButton>
#include <QSerialPort>
#include <QStatusBar>
#include <QTextEdit>

#include "support/logpane.h"
#include "support/modemlinerecorder.h"
#include "support/unitbench.h"
#include "ui/myconnectbutton.h"

namespace {

const QString LINE_LOST = "The line was lost (adapter unplugged?)";

// The line is gone while the button still reads Disconnect: every operation is refused.
void ExpectEveryOperationRefused(UnitBench &bench)
{
    QVERIFY(!bench.window.serialPort->isOpen());
    bench.answerer.clear();
    const QStringList logBefore = LogTexts(bench.window.progressTextEdit);
    for (QPushButton *button : {bench.window.verifyButton, bench.window.eraseButton, bench.window.flashButton})
        QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(bench.answerer.texts(), QVector<QString>(3, "Please connect to the port!").toList());
    QCOMPARE(LogTexts(bench.window.progressTextEdit), logBefore);
}

// Everything else the window offers, clicked at once while the operation runs.
void ClickEverythingElse(Norvane &window)
{
    for (QPushButton *other : {window.verifyButton, window.eraseButton, window.flashButton, window.browseButton,
                               static_cast<QPushButton *>(window.connectButton)})
        QTest::mouseClick(other, Qt::LeftButton);
    window.comportComboBox->setCurrentText("another-port");
    window.baudrateComboBox->setCurrentText("9600");
}

// DTR on, RTS on, RTS off after the pulse, Jump after the settle, DTR off when the sequence
// ends (before Reset if it goes); a lost line takes no more changes.
void ExpectTheLinesTimed(const QVector<ModemLineRecorder::Event> &events,
                         const QVector<EcuSimulator::ReceivedFrame> &received, bool lineLost)
{
    QStringList levels;
    for (const ModemLineRecorder::Event &event : events)
        levels << QString(event.dtr ? "DTR" : "dtr") + (event.rts ? " RTS" : " rts");
    QCOMPARE(levels, QStringList({"DTR rts", "DTR RTS", "DTR rts", "dtr rts"}).mid(0, lineLost ? 3 : 4));
    const qint64 pulse = events.at(2).atMs - events.at(1).atMs;
    const qint64 settle = received.at(0).atMs - events.at(2).atMs;
    // Never cut short; the upper bounds catch a wait of the wrong kind (a 2 s pause for the
    // pulse, a second pause before the request), not a loaded machine's lateness.
    QVERIFY2(pulse >= 100 && pulse < 1500, qPrintable(QString::number(pulse)));
    QVERIFY2(settle >= 2000 && settle < 4000, qPrintable(QString::number(settle)));
    if (received.size() > 1)
        QVERIFY(received.at(1).atMs - received.at(0).atMs >= 2000);
    if (received.size() > 2)
        QVERIFY(events.at(3).atMs >= received.at(1).atMs && events.at(3).atMs <= received.at(2).atMs);
}

} // namespace

// Verify and Erase driven through the window's buttons against the simulated unit, and the
// far end of the line going away under them or while idle.
class TestOperations : public QObject
{
    Q_OBJECT

private slots:
    void operations_data();
    void operations();
    void portClosesOnlyWhenTheLineIsLost();
};

void TestOperations::operations_data()
{
    QTest::addColumn<WindowDriver::Operation>("operation");
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
    QTest::newRow("a Verify pulses, jumps, verifies and resets") << WindowDriver::Verify << 0x11
                                                                 << Fault::answerStatus(0x81)
                                                                 << verifying
            + QStringList{"[Verify Hanlder] Verify success", "[Verify Hanlder] Resetting..",
                          "[Verify Hanlder] Reset success"} << 0 << QByteArray::fromHex("101114");
    QTest::newRow("an Erase pulses, jumps, erases and resets")
        << WindowDriver::Erase << 0x12 << Fault()
        << erased + QStringList{"[Erase Hanlder] Reseting", "[Erase Hanlder] Reset success"} << 0
        << QByteArray::fromHex("101214");
    QTest::newRow("a refused Jump stops a Verify before its command")
        << WindowDriver::Verify << 0x10 << Fault::answerStatus(0xF0)
        << QStringList{"[Verify Hanlder] Verify command started",
                       "Jump to boot loader: Received jump to bootloader failure response",
                       "[Verify Hanlder] Jump to boot loader failed"}
        << 2 << QByteArray::fromHex("10");
    QTest::newRow("a refused Verify is not followed by a reset") << WindowDriver::Verify << 0x11 << Fault()
                                                                 << verifying
            + QStringList{"Verify Application: Received verify failure response", "[Verify Hanlder] Verify failed"}
                                                                 << 2 << QByteArray::fromHex("1011");
    QTest::newRow("a line lost during a Verify closes the port")
        << WindowDriver::Verify << 0x11 << Fault::lineHangUp()
        << verifying + QStringList{"Verify Application: Port read timed out", "[Verify Hanlder] Verify failed"} << 2
        << QByteArray::fromHex("1011");
    QTest::newRow("a corrupt answer stops an Erase") << WindowDriver::Erase << 0x12 << Fault::corruptChecksum()
                                                     << erased.mid(0, 3)
            + QStringList{"Erase Application: Invalid response frame received", "[Erase Hanlder] Erase failed"}
                                                     << 2 << QByteArray::fromHex("1012");
    QTest::newRow("a refused reset still ends the Erase") << WindowDriver::Erase << 0x14 << Fault::answerStatus(0x7F)
                                                          << erased
            + QStringList{"[Erase Hanlder] Reseting", "Reset ECU: Received reset failure response",
                          "[Erase Hanlder] Reset failed"} << 2
                                                          << QByteArray::fromHex("101214");
}

// Whatever is clicked meanwhile, an operation runs its course, and one box at a time says
// why the clicks are refused; a failure ends it in two red lines, the step's own and the
// operation's, with nothing sent after them.
void TestOperations::operations()
{
    QFETCH(WindowDriver::Operation, operation);
    QFETCH(int, command);
    QFETCH(Fault, fault);
    QFETCH(QStringList, lines);
    QFETCH(int, redLines);
    QFETCH(QByteArray, frames);
    // At 1200 baud a command frame spends 67 ms on the line, so the order of frames and line
    // changes shows in their times.
    UnitBench bench;
    QVERIFY(bench.start("1200"));
    Norvane &window = bench.window;
    bench.unit.setCommandFault(quint8(command), fault);
    const QString port = bench.unit.portPath();
    const int eventsBefore = ModemLineRecorder::events(port).size();
    window.comportComboBox->addItem("another-port");

    // Runs at the first log line, when the window lets input through.
    QTimer::singleShot(0, &window, [&window] { ClickEverythingElse(window); });
    QTest::mouseClick(bench.driver.button(operation), Qt::LeftButton);

    QCOMPARE(bench.answerer.texts(), QStringList{"Operation is in progress please wait.."});
    QCOMPARE(LogTexts(window.progressTextEdit), lines);
    const QVector<LogLine> logged = LogLines(window.progressTextEdit);
    for (int i = 0; i < logged.size(); ++i)
        QCOMPARE(logged.at(i).colour, i < logged.size() - redLines ? LOG_BLUE : LOG_RED);
    QCOMPARE(bench.unit.receivedCommands(), frames);
    QVERIFY(!window.busy);
    QCOMPARE(StatusReasons(window), fault.hangUp ? QStringList{LINE_LOST} : QStringList());
    if (fault.hangUp) {
        QCOMPARE(bench.driver.statusText(), LINE_LOST);
        ExpectEveryOperationRefused(bench);
    } else {
        QVERIFY(window.serialPort->isOpen() && window.connectButton->isChecked());
    }
    QCOMPARE(window.connectButton->text(), QString("Disconnect"));
    ExpectTheLinesTimed(ModemLineRecorder::events(port).mid(eventsBefore), bench.unit.frames(), fault.hangUp);
}

// A refused modem line leaves the port open; a hang-up closes it, quietly and without burning
// CPU, and a fresh unit can then be reached.
void TestOperations::portClosesOnlyWhenTheLineIsLost()
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
    QVERIFY(StatusReasons(bench.window).isEmpty());

    bench.unit.hangUpAfterFrames(0);
    QTRY_VERIFY(!bench.window.serialPort->isOpen());
    const std::clock_t cpuBefore = std::clock();
    QTest::qWait(2000);
    const qint64 cpuMs = qint64(std::clock() - cpuBefore) * 1000 / CLOCKS_PER_SEC;
    QVERIFY2(cpuMs < 100, qPrintable(QString("%1 ms of CPU in 2 s").arg(cpuMs)));
    QVERIFY(bench.answerer.boxes().isEmpty());
    QVERIFY(bench.window.progressTextEdit->toPlainText().isEmpty());
    QCOMPARE(StatusReasons(bench.window), QStringList{LINE_LOST});
    QCOMPARE(bench.driver.statusText(), LINE_LOST);
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

QTEST_MAIN(TestOperations)
#include "tst_operations.moc"
