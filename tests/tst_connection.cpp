#include <QtTest>

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
    EcuSimulator *unit = nullptr;
    Norvane *window = nullptr;
    ModalAnswerer *answerer = nullptr;
};

void TestConnection::init()
{
    unit = new EcuSimulator;
    QVERIFY(unit->start());
    answerer = new ModalAnswerer;
    window = new Norvane;
}

void TestConnection::cleanup()
{
    delete window;
    delete answerer;
    delete unit;
}

void TestConnection::connectOpensWithLinesOff()
{
    QVERIFY(ConnectWindow(*window, unit->portPath()));
    QCOMPARE(window->portName, unit->portPath());
    QCOMPARE(window->connectButton->text(), QString("Disconnect"));
    QVERIFY(!window->comportComboBox->isEnabled());
    QVERIFY(!window->baudrateComboBox->isEnabled());
    QSerialPort *port = window->serialPort;
    QCOMPARE(port->baudRate(), 115200);
    QCOMPARE(port->dataBits(), QSerialPort::Data8);
    QCOMPARE(port->parity(), QSerialPort::NoParity);
    QCOMPARE(port->stopBits(), QSerialPort::OneStop);
    QCOMPARE(port->flowControl(), QSerialPort::NoFlowControl);
    QCOMPARE(port->readBufferSize(), qint64(8));
    const QVector<ModemLineRecorder::Event> lines = ModemLineRecorder::events(unit->portPath());
    QVERIFY(!lines.isEmpty());
    QVERIFY(!lines.last().dtr && !lines.last().rts);
    QVERIFY(answerer->boxes().isEmpty());
    QVERIFY(window->progressTextEdit->toPlainText().isEmpty());
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

    window->comportComboBox->clear();
    if (!port.isEmpty())
        window->comportComboBox->addItem(port == "sim" ? unit->portPath() : port);
    window->baudrateComboBox->addItem(baud);
    window->baudrateComboBox->setCurrentText(baud);
    QTest::mouseClick(window->connectButton, Qt::LeftButton);

    QCOMPARE(answerer->texts(), QStringList{message});
    QCOMPARE(answerer->boxes().first().title, QString("Message"));
    QVERIFY(!window->connectButton->isChecked());
    QCOMPARE(window->connectButton->text(), QString("Connect"));
    QVERIFY(window->comportComboBox->isEnabled());
    QVERIFY(window->baudrateComboBox->isEnabled());
    QVERIFY(!window->serialPort->isOpen());
    QVERIFY(window->progressTextEdit->toPlainText().isEmpty());
}

void TestConnection::unlistedRatesRunAt115200()
{
    window->baudrateComboBox->addItem("100000");
    QVERIFY(ConnectWindow(*window, unit->portPath(), "100000"));
    QCOMPARE(window->baudRate, 100000);
    QCOMPARE(window->serialPort->baudRate(), 115200);
    QTest::mouseClick(window->connectButton, Qt::LeftButton);
    QVERIFY(ConnectWindow(*window, unit->portPath(), "4800"));
    QCOMPARE(window->serialPort->baudRate(), 4800);
}

void TestConnection::changesWhileConnectedWaitForReconnect()
{
    QVERIFY(ConnectWindow(*window, unit->portPath()));
    window->comportComboBox->addItem("another-port");
    window->comportComboBox->setCurrentText("another-port");
    window->baudrateComboBox->setCurrentText("9600");

    QCOMPARE(answerer->texts(),
             QStringList({"Please disconnect and reconnect to proceed with the selected port",
                          "Please disconnect and reconnect to proceed with the selected baud rate"}));
    QCOMPARE(window->portName, QString("another-port"));
    QCOMPARE(window->baudRate, 9600);
    // The open connection still talks to the first unit, at the first rate.
    QCOMPARE(window->serialPort->baudRate(), 115200);
    QCOMPARE(window->SendJumpToBootloader(), Success);
    QCOMPARE(ReceivedCommands(*unit), QByteArray::fromHex("10"));
}

void TestConnection::connectingAgainReopensOnTheNewChoice()
{
    EcuSimulator second;
    QVERIFY(second.start());
    QVERIFY(ConnectWindow(*window, unit->portPath()));
    window->comportComboBox->addItem(second.portPath());
    window->comportComboBox->setCurrentText(second.portPath());
    answerer->clear();

    // A connect request that arrives while the port is open closes it first.
    QVERIFY(QMetaObject::invokeMethod(window, "HandleConnectButton", Q_ARG(bool, true)));
    QVERIFY(window->serialPort->isOpen());
    QCOMPARE(window->SendJumpToBootloader(), Success);
    QCOMPARE(ReceivedCommands(second), QByteArray::fromHex("10"));
    QVERIFY(unit->frames().isEmpty());
    QVERIFY(answerer->boxes().isEmpty());

    // The first line is free again.
    QSerialPort other;
    other.setPortName(unit->portPath());
    QVERIFY(other.open(QIODevice::ReadWrite));
}

void TestConnection::disconnectIsSilent()
{
    QVERIFY(ConnectWindow(*window, unit->portPath()));
    QTest::mouseClick(window->connectButton, Qt::LeftButton);
    QVERIFY(!window->serialPort->isOpen());
    QCOMPARE(window->connectButton->text(), QString("Connect"));
    QVERIFY(window->comportComboBox->isEnabled());

    QVERIFY(QMetaObject::invokeMethod(window, "HandleConnectButton", Q_ARG(bool, false)));
    QVERIFY(!window->serialPort->isOpen());
    QVERIFY(answerer->boxes().isEmpty());
    QVERIFY(window->progressTextEdit->toPlainText().isEmpty());
}

void TestConnection::closingTheWindowReleasesThePort()
{
    QVERIFY(ConnectWindow(*window, unit->portPath()));
    delete window;
    window = nullptr;
    QSerialPort other;
    other.setPortName(unit->portPath());
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

    answerer->queueFileDialogAnswer(path);
    QTest::mouseClick(window->browseButton, Qt::LeftButton);

    QCOMPARE(answerer->fileDialogCaptions(), QStringList{"Open HEX File"});
    if (accepted) {
        QCOMPARE(window->romFilePath, QDir::toNativeSeparators(path));
        QCOMPARE(window->hexFileTextEdit->toPlainText(), window->romFilePath);
        const QVector<LogLine> lines = LogLines(window->progressTextEdit);
        QCOMPARE(lines.size(), 1);
        QCOMPARE(lines.first().text, QString("Browse success"));
        QCOMPARE(lines.first().colour, LOG_BLUE);
        QVERIFY(answerer->boxes().isEmpty());
    } else {
        QCOMPARE(answerer->texts(), QStringList{"Browse valid .rom file"});
        QVERIFY(window->romFilePath.isEmpty());
        QVERIFY(window->hexFileTextEdit->toPlainText().isEmpty());
        QVERIFY(window->progressTextEdit->toPlainText().isEmpty());
    }
}

void TestConnection::cancelledBrowseDropsTheChoice()
{
    const QString path = directory.filePath("first.rom");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    answerer->queueFileDialogAnswer(path);
    QTest::mouseClick(window->browseButton, Qt::LeftButton);
    QCOMPARE(window->romFilePath, path);
    window->AppendLog(Clear, "");

    answerer->queueFileDialogAnswer(QString());
    QTest::mouseClick(window->browseButton, Qt::LeftButton);
    QVERIFY(window->romFilePath.isEmpty());
    QVERIFY(window->hexFileTextEdit->toPlainText().isEmpty());
    QVERIFY(answerer->boxes().isEmpty());
    QVERIFY(window->progressTextEdit->toPlainText().isEmpty());

    QVERIFY(ConnectWindow(*window, unit->portPath()));
    QTest::mouseClick(window->flashButton, Qt::LeftButton);
    QCOMPARE(answerer->texts(), QStringList{"Please browse rom file"});
    QVERIFY(unit->frames().isEmpty());
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
