#include <QtTest>

#include <memory>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextEdit>

#include <sys/resource.h>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "support/logpane.h"
#include "support/modalanswerer.h"
#include "support/modemlinerecorder.h"
#include "support/unitbench.h"
#include "ui/myconnectbutton.h"

namespace {

qint64 ProcessCpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}

} // namespace

// The far end of the line goes away while the window is connected.
class TestLineLoss : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void idleWindowClosesThePortQuietly();
    void hangUpDuringVerifyFailsThatStep();
    void hangUpDuringFlashTransferFailsTheTransfer();
    void reconnectingToAFreshLineWorks();
    void linesWithoutModemControlStayOpen();

private:
    void expectRefusalAfterwards();

    QTemporaryDir directory;
    std::unique_ptr<UnitBench> bench;
};

void TestLineLoss::init()
{
    bench = std::make_unique<UnitBench>();
    QVERIFY(bench->start());
}

void TestLineLoss::cleanup()
{
    ModemLineRecorder::setEmulating(true);
    bench.reset();
}

// The window keeps looking connected, and the next operation is refused.
void TestLineLoss::expectRefusalAfterwards()
{
    QVERIFY(!bench->window.busy);
    QVERIFY(!bench->window.serialPort->isOpen());
    QVERIFY(bench->window.connectButton->isChecked());
    QCOMPARE(bench->window.connectButton->text(), QString("Disconnect"));
    bench->answerer.clear();
    const QStringList logBefore = LogTexts(bench->window.progressTextEdit);
    QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);
    QCOMPARE(bench->answerer.texts(), QStringList{"Please connect to the port!"});
    QCOMPARE(LogTexts(bench->window.progressTextEdit), logBefore);
}

void TestLineLoss::idleWindowClosesThePortQuietly()
{
    bench->unit.hangUpAfterFrames(0);
    QTRY_VERIFY(!bench->window.serialPort->isOpen());

    const qint64 cpuBefore = ProcessCpuMs();
    QTest::qWait(2000);
    const qint64 cpuUsed = ProcessCpuMs() - cpuBefore;
    QVERIFY2(cpuUsed < 100, qPrintable(QString("%1 ms of CPU in 2 s").arg(cpuUsed)));

    QVERIFY(bench->answerer.boxes().isEmpty());
    QVERIFY(bench->window.progressTextEdit->toPlainText().isEmpty());
    expectRefusalAfterwards();
}

void TestLineLoss::hangUpDuringVerifyFailsThatStep()
{
    bench->unit.setCommandFault(0x11, HangUpInstead());
    QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QCOMPARE(LogTexts(bench->window.progressTextEdit),
             QStringList({"[Verify Hanlder] Verify command started", "[Verify Hanlder] Jump to boot loader success",
                          "[Verify Hanlder] Verifying..", "Verify Application: Port read timed out",
                          "[Verify Hanlder] Verify failed"}));
    QCOMPARE(lines.at(3).colour, LOG_RED);
    QCOMPARE(lines.at(4).colour, LOG_RED);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("1011"));
    QVERIFY(bench->answerer.boxes().isEmpty());
    expectRefusalAfterwards();
}

void TestLineLoss::hangUpDuringFlashTransferFailsTheTransfer()
{
    const QString path = directory.filePath("four.rom");
    QVERIFY(WriteRomFile(path, 0x80000, SampleImage(4 * 16384)));
    bench->window.romFilePath = path;
    bench->window.hexFileTextEdit->setPlainText(path);
    bench->unit.setDataFrameFault(1, HangUpInstead());

    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines.at(lines.size() - 3).text, QString("[Flash Hanlder] Flashing.. 25%"));
    QCOMPARE(lines.at(lines.size() - 2).text, QString("Flash Application: Port read timed out"));
    QCOMPARE(lines.at(lines.size() - 2).colour, LOG_RED);
    QCOMPARE(lines.last().text, QString("[Flash Hanlder] Flash failed"));
    QCOMPARE(lines.last().colour, LOG_RED);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("1012151313"));
    expectRefusalAfterwards();
}

void TestLineLoss::reconnectingToAFreshLineWorks()
{
    bench->unit.hangUpAfterFrames(0);
    QTRY_VERIFY(!bench->window.serialPort->isOpen());

    QTest::mouseClick(bench->window.connectButton, Qt::LeftButton);
    QCOMPARE(bench->window.connectButton->text(), QString("Connect"));
    EcuSimulator fresh;
    QVERIFY(fresh.start());
    QVERIFY(ConnectWindow(bench->window, fresh.portPath()));

    fresh.setCommandFault(0x11, AnswerStatus(0x81));
    QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);
    QCOMPARE(LogTexts(bench->window.progressTextEdit).last(), QString("[Verify Hanlder] Reset success"));
    QCOMPARE(ReceivedCommands(fresh), QByteArray::fromHex("101114"));
    QVERIFY(bench->answerer.boxes().isEmpty());
}

void TestLineLoss::linesWithoutModemControlStayOpen()
{
    // Without the stand-in, the line refuses DTR and RTS as a bare pseudo-terminal does.
    ModemLineRecorder::setEmulating(false);
    qRegisterMetaType<QSerialPort::SerialPortError>();
    QSignalSpy errors(bench->window.serialPort, &QSerialPort::errorOccurred);
    QVERIFY(!bench->window.serialPort->setDataTerminalReady(true));
    QCOMPARE(bench->window.serialPort->error(), QSerialPort::UnsupportedOperationError);
    QTest::qWait(200);
    QVERIFY(bench->window.serialPort->isOpen());
    QVERIFY(errors.count() >= 1);
    QCOMPARE(bench->window.SendJumpToBootloader(), Success);
}

QTEST_MAIN(TestLineLoss)
#include "tst_lineloss.moc"
