#include <QtTest>

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

EcuSimulator::Fault HangUp()
{
    EcuSimulator::Fault fault;
    fault.hangUp = true;
    return fault;
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
    EcuSimulator *unit = nullptr;
    Norvane *window = nullptr;
    ModalAnswerer *answerer = nullptr;
};

void TestLineLoss::init()
{
    unit = new EcuSimulator;
    QVERIFY(unit->start());
    answerer = new ModalAnswerer;
    window = new Norvane;
    QVERIFY(ConnectWindow(*window, unit->portPath()));
}

void TestLineLoss::cleanup()
{
    ModemLineRecorder::setEmulating(true);
    delete window;
    delete answerer;
    delete unit;
}

// The window keeps looking connected, and the next operation is refused.
void TestLineLoss::expectRefusalAfterwards()
{
    QVERIFY(!window->busy);
    QVERIFY(!window->serialPort->isOpen());
    QVERIFY(window->connectButton->isChecked());
    QCOMPARE(window->connectButton->text(), QString("Disconnect"));
    answerer->clear();
    const QStringList logBefore = LogTexts(window->progressTextEdit);
    QTest::mouseClick(window->verifyButton, Qt::LeftButton);
    QCOMPARE(answerer->texts(), QStringList{"Please connect to the port!"});
    QCOMPARE(LogTexts(window->progressTextEdit), logBefore);
}

void TestLineLoss::idleWindowClosesThePortQuietly()
{
    unit->hangUpAfterFrames(0);
    QTRY_VERIFY(!window->serialPort->isOpen());

    const qint64 cpuBefore = ProcessCpuMs();
    QTest::qWait(2000);
    const qint64 cpuUsed = ProcessCpuMs() - cpuBefore;
    QVERIFY2(cpuUsed < 100, qPrintable(QString("%1 ms of CPU in 2 s").arg(cpuUsed)));

    QVERIFY(answerer->boxes().isEmpty());
    QVERIFY(window->progressTextEdit->toPlainText().isEmpty());
    expectRefusalAfterwards();
}

void TestLineLoss::hangUpDuringVerifyFailsThatStep()
{
    unit->setCommandFault(0x11, HangUp());
    QTest::mouseClick(window->verifyButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(window->progressTextEdit);
    QCOMPARE(LogTexts(window->progressTextEdit),
             QStringList({"[Verify Hanlder] Verify command started", "[Verify Hanlder] Jump to boot loader success",
                          "[Verify Hanlder] Verifying..", "Verify Application: Port read timed out",
                          "[Verify Hanlder] Verify failed"}));
    QCOMPARE(lines.at(3).colour, LOG_RED);
    QCOMPARE(lines.at(4).colour, LOG_RED);
    QCOMPARE(ReceivedCommands(*unit), QByteArray::fromHex("1011"));
    QVERIFY(answerer->boxes().isEmpty());
    expectRefusalAfterwards();
}

void TestLineLoss::hangUpDuringFlashTransferFailsTheTransfer()
{
    const QString path = directory.filePath("four.rom");
    QVERIFY(WriteRomFile(path, 0x80000, SampleImage(4 * 16384)));
    window->romFilePath = path;
    window->hexFileTextEdit->setPlainText(path);
    unit->setDataFrameFault(1, HangUp());

    QTest::mouseClick(window->flashButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(window->progressTextEdit);
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines.at(lines.size() - 3).text, QString("[Flash Hanlder] Flashing.. 25%"));
    QCOMPARE(lines.at(lines.size() - 2).text, QString("Flash Application: Port read timed out"));
    QCOMPARE(lines.at(lines.size() - 2).colour, LOG_RED);
    QCOMPARE(lines.last().text, QString("[Flash Hanlder] Flash failed"));
    QCOMPARE(lines.last().colour, LOG_RED);
    QCOMPARE(ReceivedCommands(*unit), QByteArray::fromHex("1012151313"));
    expectRefusalAfterwards();
}

void TestLineLoss::reconnectingToAFreshLineWorks()
{
    unit->hangUpAfterFrames(0);
    QTRY_VERIFY(!window->serialPort->isOpen());

    QTest::mouseClick(window->connectButton, Qt::LeftButton);
    QCOMPARE(window->connectButton->text(), QString("Connect"));
    EcuSimulator fresh;
    QVERIFY(fresh.start());
    QVERIFY(ConnectWindow(*window, fresh.portPath()));

    EcuSimulator::Fault positive;
    positive.status = 0x81;
    fresh.setCommandFault(0x11, positive);
    QTest::mouseClick(window->verifyButton, Qt::LeftButton);
    QCOMPARE(LogTexts(window->progressTextEdit).last(), QString("[Verify Hanlder] Reset success"));
    QCOMPARE(ReceivedCommands(fresh), QByteArray::fromHex("101114"));
    QVERIFY(answerer->boxes().isEmpty());
}

void TestLineLoss::linesWithoutModemControlStayOpen()
{
    // Without the stand-in, the line refuses DTR and RTS as a bare pseudo-terminal does.
    ModemLineRecorder::setEmulating(false);
    qRegisterMetaType<QSerialPort::SerialPortError>();
    QSignalSpy errors(window->serialPort, &QSerialPort::errorOccurred);
    QVERIFY(!window->serialPort->setDataTerminalReady(true));
    QCOMPARE(window->serialPort->error(), QSerialPort::UnsupportedOperationError);
    QTest::qWait(200);
    QVERIFY(window->serialPort->isOpen());
    QVERIFY(errors.count() >= 1);
    QCOMPARE(window->SendJumpToBootloader(), Success);
}

QTEST_MAIN(TestLineLoss)
#include "tst_lineloss.moc"
