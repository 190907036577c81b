#include <QtTest>

#include <memory>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextEdit>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "support/logpane.h"
#include "support/modalanswerer.h"
#include "support/modemlinerecorder.h"
#include "support/unitbench.h"
#include "ui/myconnectbutton.h"

// Choosing, opening and closing the port, and choosing the ROM file.
class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void connectOpensWithLinesOff();
    void refusedConnectionsRevertTheButton_data();
    void refusedConnectionsRevertTheButton();
    void unlistedRatesRunAt115200();
    void changesWhileConnectedWaitForReconnect();
    void connectingAgainReopensOnTheNewChoice();
    void disconnectIsSilent();
    void closingTheWindowReleasesThePort();
    void browseAcceptsOnlyRomFiles_data();
    void browseAcceptsOnlyRomFiles();
    void cancelledBrowseDropsTheChoice();

private:
    QTemporaryDir directory;
    std::unique_ptr<UnitBench> bench;
};

void TestConnection::init()
{
    bench = std::make_unique<UnitBench>();
    QVERIFY(bench->unit.start());
}

void TestConnection::cleanup()
{
    bench.reset();
}

void TestConnection::connectOpensWithLinesOff()
{
    QVERIFY(ConnectWindow(bench->window, bench->unit.portPath()));
    QCOMPARE(bench->window.portName, bench->unit.portPath());
    QCOMPARE(bench->window.connectButton->text(), QString("Disconnect"));
    QVERIFY(!bench->window.comportComboBox->isEnabled());
    QVERIFY(!bench->window.baudrateComboBox->isEnabled());
    QSerialPort *port = bench->window.serialPort;
    QCOMPARE(port->baudRate(), 115200);
    QCOMPARE(port->dataBits(), QSerialPort::Data8);
    QCOMPARE(port->parity(), QSerialPort::NoParity);
    QCOMPARE(port->stopBits(), QSerialPort::OneStop);
    QCOMPARE(port->flowControl(), QSerialPort::NoFlowControl);
    QCOMPARE(port->readBufferSize(), qint64(8));
    const QVector<ModemLineRecorder::Event> lines = ModemLineRecorder::events(bench->unit.portPath());
    QVERIFY(!lines.isEmpty());
    QVERIFY(!lines.last().dtr && !lines.last().rts);
    QVERIFY(bench->answerer.boxes().isEmpty());
    QVERIFY(bench->window.progressTextEdit->toPlainText().isEmpty());
}

void TestConnection::refusedConnectionsRevertTheButton_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("message");
    QTest::newRow("no port chosen") << "" << "115200" << "Please choose port";
    QTest::newRow("baud text not a number") << "sim" << "fast" << "Please choose baud rate";
    QTest::newRow("rate above the range") << "sim" << "128001" << "Please choose baud rate";
    QTest::newRow("port that does not open") << "/nonexistent/ttyUSB9" << "115200" << "Port Error";
}

void TestConnection::refusedConnectionsRevertTheButton()
{
    QFETCH(QString, port);
    QFETCH(QString, baud);
    QFETCH(QString, message);

    bench->window.comportComboBox->clear();
    if (!port.isEmpty())
        bench->window.comportComboBox->addItem(port == "sim" ? bench->unit.portPath() : port);
    bench->window.baudrateComboBox->addItem(baud);
    bench->window.baudrateComboBox->setCurrentText(baud);
    QTest::mouseClick(bench->window.connectButton, Qt::LeftButton);

    QCOMPARE(bench->answerer.texts(), QStringList{message});
    QCOMPARE(bench->answerer.boxes().first().title, QString("Message"));
    QVERIFY(!bench->window.connectButton->isChecked());
    QCOMPARE(bench->window.connectButton->text(), QString("Connect"));
    QVERIFY(bench->window.comportComboBox->isEnabled());
    QVERIFY(bench->window.baudrateComboBox->isEnabled());
    QVERIFY(!bench->window.serialPort->isOpen());
    QVERIFY(bench->window.progressTextEdit->toPlainText().isEmpty());
}

void TestConnection::unlistedRatesRunAt115200()
{
    bench->window.baudrateComboBox->addItem("100000");
    QVERIFY(ConnectWindow(bench->window, bench->unit.portPath(), "100000"));
    QCOMPARE(bench->window.baudRate, 100000);
    QCOMPARE(bench->window.serialPort->baudRate(), 115200);
    QTest::mouseClick(bench->window.connectButton, Qt::LeftButton);
    QVERIFY(ConnectWindow(bench->window, bench->unit.portPath(), "4800"));
    QCOMPARE(bench->window.serialPort->baudRate(), 4800);
}

void TestConnection::changesWhileConnectedWaitForReconnect()
{
    QVERIFY(ConnectWindow(bench->window, bench->unit.portPath()));
    bench->window.comportComboBox->addItem("another-port");
    bench->window.comportComboBox->setCurrentText("another-port");
    bench->window.baudrateComboBox->setCurrentText("9600");

    QCOMPARE(bench->answerer.texts(),
             QStringList({"Please disconnect and reconnect to proceed with the selected port",
                          "Please disconnect and reconnect to proceed with the selected baud rate"}));
    QCOMPARE(bench->window.portName, QString("another-port"));
    QCOMPARE(bench->window.baudRate, 9600);
    // The open connection still talks to the first unit, at the first rate.
    QCOMPARE(bench->window.serialPort->baudRate(), 115200);
    QCOMPARE(bench->window.SendJumpToBootloader(), Success);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("10"));
}

void TestConnection::connectingAgainReopensOnTheNewChoice()
{
    EcuSimulator second;
    QVERIFY(second.start());
    QVERIFY(ConnectWindow(bench->window, bench->unit.portPath()));
    bench->window.comportComboBox->addItem(second.portPath());
    bench->window.comportComboBox->setCurrentText(second.portPath());
    bench->answerer.clear();

    // A connect request that arrives while the port is open closes it first.
    QVERIFY(QMetaObject::invokeMethod(&bench->window, "HandleConnectButton", Q_ARG(bool, true)));
    QVERIFY(bench->window.serialPort->isOpen());
    QCOMPARE(bench->window.SendJumpToBootloader(), Success);
    QCOMPARE(ReceivedCommands(second), QByteArray::fromHex("10"));
    QVERIFY(bench->unit.frames().isEmpty());
    QVERIFY(bench->answerer.boxes().isEmpty());

    // The first line is free again.
    QSerialPort other;
    other.setPortName(bench->unit.portPath());
    QVERIFY(other.open(QIODevice::ReadWrite));
}

void TestConnection::disconnectIsSilent()
{
    QVERIFY(ConnectWindow(bench->window, bench->unit.portPath()));
    QTest::mouseClick(bench->window.connectButton, Qt::LeftButton);
    QVERIFY(!bench->window.serialPort->isOpen());
    QCOMPARE(bench->window.connectButton->text(), QString("Connect"));
    QVERIFY(bench->window.comportComboBox->isEnabled());

    QVERIFY(QMetaObject::invokeMethod(&bench->window, "HandleConnectButton", Q_ARG(bool, false)));
    QVERIFY(!bench->window.serialPort->isOpen());
    QVERIFY(bench->answerer.boxes().isEmpty());
    QVERIFY(bench->window.progressTextEdit->toPlainText().isEmpty());
}

void TestConnection::closingTheWindowReleasesThePort()
{
    auto *window = new Norvane;
    QVERIFY(ConnectWindow(*window, bench->unit.portPath()));
    delete window;
    QSerialPort other;
    other.setPortName(bench->unit.portPath());
    QVERIFY(other.open(QIODevice::ReadWrite));
}

void TestConnection::browseAcceptsOnlyRomFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("app.rom") << "app.rom" << true;
    QTest::newRow("only the extension") << ".rom" << true;
    QTest::newRow("upper-case extension") << "app.ROM" << false;
    QTest::newRow("extension not last") << "app.rom.bak" << false;
    QTest::newRow("hex file") << "app.hex" << false;
}

void TestConnection::browseAcceptsOnlyRomFiles()
{
    QFETCH(QString, name);
    QFETCH(bool, accepted);
    const QString path = directory.filePath(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    bench->answerer.queueFileDialogAnswer(path);
    QTest::mouseClick(bench->window.browseButton, Qt::LeftButton);

    QCOMPARE(bench->answerer.fileDialogCaptions(), QStringList{"Open HEX File"});
    if (accepted) {
        QCOMPARE(bench->window.romFilePath, QDir::toNativeSeparators(path));
        QCOMPARE(bench->window.hexFileTextEdit->toPlainText(), bench->window.romFilePath);
        const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().text, QString("Browse success"));
        QCOMPARE(lines.first().colour, LOG_BLUE);
        QVERIFY(bench->answerer.boxes().isEmpty());
    } else {
        QCOMPARE(bench->answerer.texts(), QStringList{"Browse valid .rom file"});
        QVERIFY(bench->window.romFilePath.isEmpty());
        QVERIFY(bench->window.hexFileTextEdit->toPlainText().isEmpty());
        QVERIFY(bench->window.progressTextEdit->toPlainText().isEmpty());
    }
}

void TestConnection::cancelledBrowseDropsTheChoice()
{
    const QString path = directory.filePath("first.rom");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    bench->answerer.queueFileDialogAnswer(path);
    QTest::mouseClick(bench->window.browseButton, Qt::LeftButton);
    QCOMPARE(bench->window.romFilePath, path);
    bench->window.AppendLog(Clear, "");

    bench->answerer.queueFileDialogAnswer(QString());
    QTest::mouseClick(bench->window.browseButton, Qt::LeftButton);
    QVERIFY(bench->window.romFilePath.isEmpty());
    QVERIFY(bench->window.hexFileTextEdit->toPlainText().isEmpty());
    QVERIFY(bench->answerer.boxes().isEmpty());
    QVERIFY(bench->window.progressTextEdit->toPlainText().isEmpty());

    QVERIFY(ConnectWindow(bench->window, bench->unit.portPath()));
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);
    QCOMPARE(bench->answerer.texts(), QStringList{"Please browse rom file"});
    QVERIFY(bench->unit.frames().isEmpty());
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
