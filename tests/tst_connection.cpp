#include <QtTest>

#include <memory>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextEdit>

#include "support/logpane.h"
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
    void connectRequests_data();
    void connectRequests();
    void changesWhileConnectedWaitForReconnect();
    void closingTheWindowReleasesThePort();
    void browse_data();
    void browse();

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

void TestConnection::connectRequests_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<int>("applied");
    QTest::newRow("no port chosen") << "" << "115200" << "Please choose port" << 0;
    QTest::newRow("baud text not a number") << "sim" << "fast" << "Please choose baud rate" << 0;
    QTest::newRow("1199") << "sim" << "1199" << "Please choose baud rate" << 0;
    QTest::newRow("1200") << "sim" << "1200" << "" << 1200;
    QTest::newRow("1201 is not listed") << "sim" << "1201" << "" << 115200;
    QTest::newRow("57600") << "sim" << "57600" << "" << 57600;
    QTest::newRow("115200") << "sim" << "115200" << "" << 115200;
    QTest::newRow("128000") << "sim" << "128000" << "" << 115200;
    QTest::newRow("128001") << "sim" << "128001" << "Please choose baud rate" << 0;
    QTest::newRow("port that does not open") << "/nonexistent/ttyUSB9" << "115200" << "Port Error" << 0;
}

void TestConnection::connectRequests()
{
    QFETCH(QString, port);
    QFETCH(QString, baud);
    QFETCH(QString, refusal);
    QFETCH(int, applied);

    Norvane &window = bench->window;
    window.comportComboBox->clear();
    if (!port.isEmpty())
        window.comportComboBox->addItem(port == "sim" ? bench->unit.portPath() : port);
    if (window.baudrateComboBox->findText(baud) < 0)
        window.baudrateComboBox->addItem(baud);
    window.baudrateComboBox->setCurrentText(baud);
    QTest::mouseClick(window.connectButton, Qt::LeftButton);

    QSerialPort *serial = window.serialPort;
    if (refusal.isEmpty()) {
        QVERIFY(bench->answerer.boxes().isEmpty());
        QVERIFY(serial->isOpen());
        QCOMPARE(window.connectButton->text(), QString("Disconnect"));
        QVERIFY(!window.comportComboBox->isEnabled() && !window.baudrateComboBox->isEnabled());
        QCOMPARE(serial->baudRate(), applied);
        QCOMPARE(serial->dataBits(), QSerialPort::Data8);
        QCOMPARE(serial->parity(), QSerialPort::NoParity);
        QCOMPARE(serial->stopBits(), QSerialPort::OneStop);
        QCOMPARE(serial->flowControl(), QSerialPort::NoFlowControl);
        QCOMPARE(window.SendJumpToBootloader(), Success);

        // Disconnecting is silent, and so is a second disconnect. Lines that an operation
        // left on are off again after the next connect.
        QVERIFY(serial->setDataTerminalReady(true) && serial->setRequestToSend(true));
        QTest::mouseClick(window.connectButton, Qt::LeftButton);
        QVERIFY(QMetaObject::invokeMethod(&window, "HandleConnectButton", Q_ARG(bool, false)));
        QVERIFY(bench->answerer.boxes().isEmpty());
        QTest::mouseClick(window.connectButton, Qt::LeftButton);
        const ModemLineRecorder::Event lines = ModemLineRecorder::events(bench->unit.portPath()).last();
        QVERIFY(!lines.dtr && !lines.rts);
        QTest::mouseClick(window.connectButton, Qt::LeftButton);
    } else {
        QCOMPARE(bench->answerer.texts(), QStringList{refusal});
        QCOMPARE(bench->answerer.boxes().first().title, QString("Message"));
    }
    QVERIFY(!serial->isOpen());
    QVERIFY(!window.connectButton->isChecked());
    QCOMPARE(window.connectButton->text(), QString("Connect"));
    QVERIFY(window.comportComboBox->isEnabled() && window.baudrateComboBox->isEnabled());
    QVERIFY(window.progressTextEdit->toPlainText().isEmpty());
}

void TestConnection::changesWhileConnectedWaitForReconnect()
{
    EcuSimulator second;
    QVERIFY(second.start());
    Norvane &window = bench->window;
    QVERIFY(ConnectWindow(window, bench->unit.portPath()));
    window.comportComboBox->addItem(second.portPath());
    window.comportComboBox->setCurrentText(second.portPath());
    window.baudrateComboBox->setCurrentText("9600");
    QCOMPARE(bench->answerer.texts(),
             QStringList({"Please disconnect and reconnect to proceed with the selected port",
                          "Please disconnect and reconnect to proceed with the selected baud rate"}));
    // The open connection still talks to the first unit, at the first rate.
    QCOMPARE(window.serialPort->baudRate(), 115200);
    QCOMPARE(window.SendJumpToBootloader(), Success);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("10"));

    // A connect request while the port is open closes it first and opens the new choice.
    QVERIFY(QMetaObject::invokeMethod(&window, "HandleConnectButton", Q_ARG(bool, true)));
    QCOMPARE(window.serialPort->baudRate(), 9600);
    QCOMPARE(window.SendJumpToBootloader(), Success);
    QCOMPARE(ReceivedCommands(second), QByteArray::fromHex("10"));
    QCOMPARE(bench->answerer.boxes().size(), 2);
    QSerialPort first;
    first.setPortName(bench->unit.portPath());
    QVERIFY(first.open(QIODevice::ReadWrite));
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

void TestConnection::browse_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("app.rom") << "app.rom" << "";
    QTest::newRow("only the extension") << ".rom" << "";
    QTest::newRow("cancelled") << "" << "";
    QTest::newRow("upper-case extension") << "app.ROM" << "Browse valid .rom file";
    QTest::newRow("extension not last") << "app.rom.bak" << "Browse valid .rom file";
    QTest::newRow("hex file") << "app.hex" << "Browse valid .rom file";
}

void TestConnection::browse()
{
    QFETCH(QString, name);
    QFETCH(QString, refusal);
    Norvane &window = bench->window;
    QString path;
    for (const QString &file : {QString("previous.rom"), name}) {
        path = file.isEmpty() ? QString() : directory.filePath(file);
        if (!path.isEmpty())
            QVERIFY(QFile(path).open(QIODevice::WriteOnly));
        bench->answerer.queueFileDialogAnswer(path);
        QTest::mouseClick(window.browseButton, Qt::LeftButton);
        QCOMPARE(bench->answerer.fileDialogCaptions().last(), QString("Open HEX File"));
    }

    // Any answer but a .rom file drops the previous choice.
    const QVector<LogLine> lines = LogLines(window.progressTextEdit);
    if (!path.isEmpty() && refusal.isEmpty()) {
        QCOMPARE(window.romFilePath, QDir::toNativeSeparators(path));
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines.last().text, QString("Browse success"));
        QCOMPARE(lines.last().colour, LOG_BLUE);
    } else {
        QVERIFY(window.romFilePath.isEmpty());
        QCOMPARE(lines.size(), 1);
    }
    QCOMPARE(window.hexFileTextEdit->toPlainText(), window.romFilePath);
    QCOMPARE(bench->answerer.texts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
