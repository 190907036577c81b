#include <QtTest>

#include <memory>

#include <QComboBox>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextEdit>

#include "app/norvane.h"
#include "rom/romimage.h"
#include "ecusimulator.h"
#include "support/logpane.h"
#include "support/modalanswerer.h"
#include "support/modemlinerecorder.h"
#include "support/unitbench.h"
#include "ui/myconnectbutton.h"

namespace {

const QStringList VERIFY_SUCCESS = {
    "[Verify Hanlder] Verify command started", "[Verify Hanlder] Jump to boot loader success",
    "[Verify Hanlder] Verifying..",            "[Verify Hanlder] Verify success",
    "[Verify Hanlder] Resetting..",            "[Verify Hanlder] Reset success",
};

const QStringList ERASE_SUCCESS = {
    "[Erase Hanlder] Erase command started", "[Erase Hanlder] Jump to boot loader success",
    "[Erase Hanlder] Erasing..",             "[Erase Hanlder] Erase success",
    "[Erase Hanlder] Reseting",              "[Erase Hanlder] Reset success",
};

} // namespace

// Verify and Erase driven through the window's buttons against the simulated unit.
class TestVerifyErase : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void verifySucceedsWithItsLineTimeline();
    void eraseSucceedsAndBlanksTheUnit();
    void failuresStopWithoutReset_data();
    void failuresStopWithoutReset();
    void jumpTimeOutStopsTheVerify();
    void resetFailureStillEndsTheOperation();
    void clicksDuringAnOperationAreRefused();
    void operationsNeedAnOpenPort();

private:
    void flashImageDirectly();
    QByteArray commandsSince(int first) const;

    QTemporaryDir directory;
    std::unique_ptr<UnitBench> bench;
};

void TestVerifyErase::init()
{
    ModemLineRecorder::clear();
    bench = std::make_unique<UnitBench>();
    QVERIFY(bench->start());
}

void TestVerifyErase::cleanup()
{
    bench.reset();
}

// Gives the unit a complete image through the tool's own exchanges, without the pulses.
void TestVerifyErase::flashImageDirectly()
{
    QCOMPARE(bench->window.SendJumpToBootloader(), Success);
    QCOMPARE(bench->window.SendEraseApplication(), Success);
    QCOMPARE(bench->window.SendFlashApplication({0x80000, SampleImage(32768)}), Success);
    bench->window.AppendLog(Clear, "");

    const QString port = bench->unit.portPath();
    bench->unit.setJumpGate([port](qint64 sinceMs) { return ModemLineRecorder::resetPulseSince(port, sinceMs); });
}

QByteArray TestVerifyErase::commandsSince(int first) const
{
    return ReceivedCommands(bench->unit).mid(first);
}

void TestVerifyErase::verifySucceedsWithItsLineTimeline()
{
    flashImageDirectly();
    const int before = bench->unit.frames().size();
    const int eventsBefore = ModemLineRecorder::events(bench->unit.portPath()).size();

    QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench->window.progressTextEdit), VERIFY_SUCCESS);
    for (const LogLine &line : LogLines(bench->window.progressTextEdit))
        QCOMPARE(line.colour, LOG_BLUE);
    QCOMPARE(commandsSince(before), QByteArray::fromHex("101114"));
    QVERIFY(!bench->window.busy);

    // DTR on, RTS on, RTS off after the pulse, Jump after the settle, DTR off before Reset.
    const QVector<ModemLineRecorder::Event> events =
        ModemLineRecorder::events(bench->unit.portPath()).mid(eventsBefore);
    QCOMPARE(events.size(), 4);
    QVERIFY(events.at(0).dtr && !events.at(0).rts);
    QVERIFY(events.at(1).dtr && events.at(1).rts);
    QVERIFY(events.at(2).dtr && !events.at(2).rts);
    QVERIFY(!events.at(3).dtr && !events.at(3).rts);
    const qint64 pulse = events.at(2).atMs - events.at(1).atMs;
    QVERIFY2(pulse >= 100 && pulse < 600, qPrintable(QString::number(pulse)));

    const QVector<EcuSimulator::ReceivedFrame> frames = bench->unit.frames().mid(before);
    const qint64 settle = frames.at(0).atMs - events.at(2).atMs;
    QVERIFY2(settle >= 2000 && settle < 2600, qPrintable(QString::number(settle)));
    const qint64 commandDelay = frames.at(1).atMs - frames.at(0).atMs;
    QVERIFY2(commandDelay >= 2000, qPrintable(QString::number(commandDelay)));
    QVERIFY(events.at(3).atMs >= frames.at(1).atMs);
    QVERIFY(events.at(3).atMs <= frames.at(2).atMs);
}

void TestVerifyErase::eraseSucceedsAndBlanksTheUnit()
{
    flashImageDirectly();
    const int before = bench->unit.frames().size();
    QTest::mouseClick(bench->window.eraseButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench->window.progressTextEdit), ERASE_SUCCESS);
    for (const LogLine &line : LogLines(bench->window.progressTextEdit))
        QCOMPARE(line.colour, LOG_BLUE);
    QCOMPARE(commandsSince(before), QByteArray::fromHex("101214"));
    QVERIFY(bench->unit.writtenRanges().isEmpty());
    QVERIFY(!bench->window.busy);
    QVERIFY(bench->answerer.boxes().isEmpty());
}

void TestVerifyErase::failuresStopWithoutReset_data()
{
    QTest::addColumn<bool>("erase");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("lastLines");
    QTest::addColumn<QByteArray>("frames");

    QTest::newRow("jump refused") << false << 0x10 << 0x00
        << QStringList{"Jump to boot loader: Received jump to bootloader failure response",
                       "[Verify Hanlder] Jump to boot loader failed"}
        << QByteArray::fromHex("10");
    QTest::newRow("verify refused") << false << 0x11 << 0x80
        << QStringList{"Verify Application: Received verify failure response", "[Verify Hanlder] Verify failed"}
        << QByteArray::fromHex("1011");
    QTest::newRow("erase answer corrupt") << true << 0x12 << -2
        << QStringList{"Erase Application: Invalid response frame received", "[Erase Hanlder] Erase failed"}
        << QByteArray::fromHex("1012");
    QTest::newRow("erase jump corrupt") << true << 0x10 << -2
        << QStringList{"Jump to boot loader: Invalid response frame received",
                       "[Erase Hanlder] Jump to boot loader failed"}
        << QByteArray::fromHex("10");
}

void TestVerifyErase::failuresStopWithoutReset()
{
    QFETCH(bool, erase);
    QFETCH(int, command);
    QFETCH(int, status);
    QFETCH(QStringList, lastLines);
    QFETCH(QByteArray, frames);

    bench->unit.setCommandFault(static_cast<quint8>(command),
                                status == -2 ? WrongChecksum() : AnswerStatus(status));
    QTest::mouseClick(erase ? bench->window.eraseButton : bench->window.verifyButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.at(lines.size() - 2).text, lastLines.at(0));
    QCOMPARE(lines.at(lines.size() - 2).colour, LOG_RED);
    QCOMPARE(lines.last().text, lastLines.at(1));
    QCOMPARE(lines.last().colour, LOG_RED);
    QCOMPARE(ReceivedCommands(bench->unit), frames);
    QVERIFY(!bench->window.busy);
    QVERIFY(!ModemLineRecorder::events(bench->unit.portPath()).last().dtr);
    QVERIFY(bench->window.serialPort->isOpen());
    QVERIFY(bench->answerer.boxes().isEmpty());
}

void TestVerifyErase::jumpTimeOutStopsTheVerify()
{
    bench->unit.setCommandFault(0x10, NoAnswer());
    QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QCOMPARE(LogTexts(bench->window.progressTextEdit),
             QStringList({"[Verify Hanlder] Verify command started", "Jump to boot loader: Port read timed out",
                          "[Verify Hanlder] Jump to boot loader failed"}));
    QCOMPARE(lines.at(1).colour, LOG_RED);
    QCOMPARE(lines.at(2).colour, LOG_RED);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("10"));
    QVERIFY(!ModemLineRecorder::events(bench->unit.portPath()).last().dtr);
    QVERIFY(!bench->window.busy);
}

void TestVerifyErase::resetFailureStillEndsTheOperation()
{
    bench->unit.setCommandFault(0x12, AnswerStatus(0x82));
    bench->unit.setCommandFault(0x14, AnswerStatus(0x7F));
    QTest::mouseClick(bench->window.eraseButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QCOMPARE(lines.at(lines.size() - 2).text, QString("Reset ECU: Received reset failure response"));
    QCOMPARE(lines.last().text, QString("[Erase Hanlder] Reset failed"));
    QCOMPARE(lines.last().colour, LOG_RED);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("101214"));
    QVERIFY(!bench->window.busy);

    // Nothing is left set: the next operation runs at once.
    bench->unit.clearFaults();
    bench->unit.setCommandFault(0x11, AnswerStatus(0x81));
    bench->window.AppendLog(Clear, "");
    QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);
    QCOMPARE(LogTexts(bench->window.progressTextEdit), VERIFY_SUCCESS);
}

void TestVerifyErase::clicksDuringAnOperationAreRefused()
{
    bench->unit.setCommandFault(0x11, AnswerStatus(0x81));
    bench->window.comportComboBox->addItem("another-port");
    const QString portBefore = bench->window.portName;
    const int baudBefore = bench->window.baudRate;
    const QString chosenFile = directory.filePath("chosen.rom");
    bench->window.romFilePath = chosenFile;
    bench->window.hexFileTextEdit->setPlainText(chosenFile);

    // Runs at the first log line of the Verify, when the window lets input through.
    QTimer::singleShot(0, &bench->window, [this] {
        QTest::mouseClick(bench->window.eraseButton, Qt::LeftButton);
        QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);
        QTest::mouseClick(bench->window.browseButton, Qt::LeftButton);
        QTest::mouseClick(bench->window.connectButton, Qt::LeftButton);
        bench->window.comportComboBox->setCurrentText("another-port");
        bench->window.baudrateComboBox->setCurrentText("9600");
    });
    QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);

    QCOMPARE(bench->answerer.texts(), QVector<QString>(6, "Operation is in progress please wait..").toList());
    QCOMPARE(LogTexts(bench->window.progressTextEdit), VERIFY_SUCCESS);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("101114"));
    QVERIFY(bench->window.connectButton->isChecked());
    QCOMPARE(bench->window.connectButton->text(), QString("Disconnect"));
    QVERIFY(bench->window.serialPort->isOpen());
    QCOMPARE(bench->window.portName, portBefore);
    QCOMPARE(bench->window.baudRate, baudBefore);
    QCOMPARE(bench->window.romFilePath, chosenFile);
    QCOMPARE(bench->window.hexFileTextEdit->toPlainText(), chosenFile);
    QCOMPARE(bench->answerer.fileDialogCaptionsSeen(), 0);
    QVERIFY(!bench->window.busy);
}

void TestVerifyErase::operationsNeedAnOpenPort()
{
    QTest::mouseClick(bench->window.connectButton, Qt::LeftButton);
    QVERIFY(!bench->window.serialPort->isOpen());
    QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);
    QTest::mouseClick(bench->window.eraseButton, Qt::LeftButton);
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);
    QCOMPARE(bench->answerer.texts(), QVector<QString>(3, "Please connect to the port!").toList());
    QVERIFY(bench->window.progressTextEdit->toPlainText().isEmpty());
    QVERIFY(bench->unit.frames().isEmpty());
    QVERIFY(!bench->window.busy);
}

QTEST_MAIN(TestVerifyErase)
#include "tst_verifyerase.moc"
