#include <QtTest>

#include <QLabel>
#include <QSerialPort>
#include <QStatusBar>
#include <QTemporaryDir>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "connection/availableports.h"
#include "rom/imagesummary.h"
#include "support/logpane.h"
#include "support/modemlinerecorder.h"
#include "support/unitbench.h"
#include "ui/myconnectbutton.h"

// Opens the port list as a user would, and closes it again; what it then lists.
QStringList OpenPortList(QComboBox *list)
{
    QTest::mouseClick(list, Qt::LeftButton);
    list->hidePopup();
    QStringList items;
    for (int i = 0; i < list->count(); ++i)
        items << list->itemText(i);
    return items;
}

// The rate the line runs at, as the unit's end of it sees it; -1 if not a listed one.
qint32 LineSpeed(const QString &ptyPath)
{
    const int descriptor = ::open(QFile::encodeName(ptyPath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios attributes{};
    const bool read = descriptor >= 0 && ::tcgetattr(descriptor, &attributes) == 0;
    if (descriptor >= 0)
        ::close(descriptor);
    const QMap<speed_t, qint32> speeds{{B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
                                       {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    return read ? speeds.value(::cfgetospeed(&attributes), -1) : -1;
}

// The texts the status bar shows now, left to right.
QStringList StatusBarShows(Norvane &window)
{
    QStringList shown;
    QStatusBar *bar = window.Ui_Norvane::statusBar;
    if (!bar->currentMessage().isEmpty())
        shown << bar->currentMessage();
    for (const QLabel *label : bar->findChildren<QLabel *>())
        if (!label->isHidden() && !label->text().isEmpty())
            shown << label->text();
    return shown;
}

// Opening and closing the port, and choosing the ROM file.
class TestConnection : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { AvailablePorts::useSystemPorts(); }
    void connectRequests_data();
    void connectRequests();
    void portsAsTheyCome();
    void browse_data();
    void browse();
    void browseShowsTheImage();
};

void TestConnection::connectRequests_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<int>("applied");
    const QString badRate = "Please choose baud rate";
    const QString sim = "sim";
    QTest::newRow("no port") << QString() << "115200" << QString("Please choose port") << 0;
    QTest::newRow("1200") << sim << "1200" << QString() << 1200;
    QTest::newRow("57600") << sim << "57600" << QString() << 57600;
    // A rate between or past the table's is refused, not rounded.
    QTest::newRow("1201 is not listed") << sim << "1201" << badRate << 0;
    QTest::newRow("128000 is not listed") << sim << "128000" << badRate << 0;
    QTest::newRow("port that does not open") << "/nonexistent/ttyUSB9" << QString("115200") << "Port Error" << 0;
}

void TestConnection::connectRequests()
{
    QFETCH(QString, port);
    QFETCH(QString, baud);
    QFETCH(QString, refusal);
    QFETCH(int, applied);

    UnitBench bench;
    QVERIFY(bench.unit.start());
    Norvane &window = bench.window;
    QSerialPort *serial = window.serialPort;
    window.comportComboBox->clear();
    if (!port.isEmpty())
        window.comportComboBox->addItem(port == "sim" ? bench.unit.portPath() : port);
    if (window.baudrateComboBox->findText(baud) < 0)
        window.baudrateComboBox->addItem(baud);
    window.baudrateComboBox->setCurrentText(baud);
    QTest::mouseClick(window.connectButton, Qt::LeftButton);

    QCOMPARE(bench.answerer.texts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
    QCOMPARE(serial->isOpen(), refusal.isEmpty());
    QCOMPARE(window.connectButton->isChecked(), refusal.isEmpty());
    QCOMPARE(window.comportComboBox->isEnabled(), !refusal.isEmpty());
    if (!refusal.isEmpty())
        return;
    QCOMPARE(serial->baudRate(), applied);
    QCOMPARE(LineSpeed(bench.unit.portPath()), applied);
    // 8N1, no flow control.
    QCOMPARE(QVector<int>({serial->dataBits(), serial->parity(), serial->stopBits(), serial->flowControl()}),
             QVector<int>({8, 0, 1, 0}));

    // Lines that an operation left on are off again after the next connect.
    QVERIFY(serial->setDataTerminalReady(true) && serial->setRequestToSend(true));
    QTest::mouseClick(window.connectButton, Qt::LeftButton);
    QVERIFY(!serial->isOpen() && window.baudrateComboBox->isEnabled());
    QTest::mouseClick(window.connectButton, Qt::LeftButton);
    const ModemLineRecorder::Event lines = ModemLineRecorder::events(bench.unit.portPath()).last();
    QVERIFY(!lines.dtr && !lines.rts);

    // Another port and rate wait for the next connect: the open line keeps talking to the unit.
    window.comportComboBox->addItem("/nonexistent/ttyUSB9");
    window.comportComboBox->setCurrentText("/nonexistent/ttyUSB9");
    window.baudrateComboBox->setCurrentText("9600");
    QCOMPARE(bench.answerer.texts(),
             QStringList({"Please disconnect and reconnect to proceed with the selected port",
                          "Please disconnect and reconnect to proceed with the selected baud rate"}));
    QCOMPARE(serial->baudRate(), applied);
    QCOMPARE(window.SendJumpToBootloader(), Success);
}

// Read again each time the list opens while disconnected. The system never lists a
// pseudo-terminal, so the rehearsal puts its unit's port in by hand: it stays while the
// unit runs, and goes with it.
void TestConnection::portsAsTheyCome()
{
    AvailablePorts::standIn({{"ttyUSB0", "FT232R USB UART"}, {"ttyUSB1", "CP2102"}});
    UnitBench bench;
    QCOMPARE(bench.window.portName, QString("ttyUSB0"));
    QVERIFY(bench.start());
    const QString simulated = bench.unit.portPath();
    AvailablePorts::standIn({{"ttyACM0", "Arduino"}, {"ttyUSB1", "CP2102"}});
    // Connected, the list is locked and not read again.
    bench.window.comportComboBox->showPopup();
    QCOMPARE(OpenPortList(bench.window.comportComboBox), QStringList({"ttyUSB0", "ttyUSB1", simulated}));

    bench.window.connectButton->click();
    QCOMPARE(OpenPortList(bench.window.comportComboBox), QStringList({"ttyACM0", "ttyUSB1", simulated}));
    QCOMPARE(bench.window.portName, simulated);
    bench.unit.stop();
    QCOMPARE(OpenPortList(bench.window.comportComboBox), QStringList({"ttyACM0", "ttyUSB1"}));
    QCOMPARE(bench.window.portName, QString("ttyACM0"));
    QVERIFY(bench.answerer.boxes().isEmpty());
}

void TestConnection::browse_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<bool>("typedIntoDialog");
    const QString invalid = "Browse valid .rom file";
    QTest::newRow("a .rom file is taken") << "app.rom" << QString() << false;
    QTest::newRow("a .rom file typed into the dialog is taken") << "app.rom" << QString() << true;
    QTest::newRow("cancelling drops the earlier choice") << QString() << QString() << false;
    QTest::newRow("an upper-case extension is refused") << "app.ROM" << invalid << false;
    QTest::newRow("an extension not last is refused") << "app.rom.bak" << invalid << false;
    QTest::newRow("a hex file is refused") << "app.hex" << invalid << true;
}

void TestConnection::browse()
{
    QFETCH(QString, name);
    QFETCH(QString, refusal);
    QFETCH(bool, typedIntoDialog);
    UnitBench bench;
    QTemporaryDir directory;
    Norvane &window = bench.window;
    QString path = directory.filePath("previous.rom");
    QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    QVERIFY(bench.driver.chooseRomFile(path));

    path = name.isEmpty() ? QString() : directory.filePath(name);
    QVERIFY(path.isEmpty() || QFile(path).open(QIODevice::WriteOnly));
    if (typedIntoDialog)
        bench.answerer.typeIntoNextFileDialog(path);
    else
        bench.answerer.queueFileDialogAnswer(path);
    QTest::mouseClick(window.browseButton, Qt::LeftButton);
    QVERIFY2(bench.answerer.failures().isEmpty(), qPrintable(bench.answerer.failures().join("; ")));
    QCOMPARE(bench.answerer.texts(), refusal.isEmpty() ? QStringList() : QStringList{refusal});
    // The dialog starts in the home folder; the window's saved log checks its caption.
    if (typedIntoDialog)
        QCOMPARE(bench.answerer.fileDialogFolders(), QStringList{QDir::homePath()});

    // Any answer but a .rom file drops the previous choice.
    const bool chosen = !path.isEmpty() && refusal.isEmpty();
    QCOMPARE(window.romFilePath, chosen ? QDir::toNativeSeparators(path) : QString());
    QCOMPARE(window.hexFileTextEdit->toPlainText(), window.romFilePath);
    const QVector<LogLine> lines = LogLines(window.progressTextEdit);
    QCOMPARE(lines.size(), chosen ? 2 : 1);
    QCOMPARE(lines.last().text, QString("Browse success"));
    QCOMPARE(lines.last().colour, LOG_BLUE);
}

// The file is checked as soon as it is chosen, so that a bad file or the wrong image shows
// before Flash.
void TestConnection::browseShowsTheImage()
{
    QTemporaryDir directory;
    const QString path = directory.filePath("app.rom");
    const QByteArray image = SampleImage(20000);
    QVERIFY(WriteRomFile(path, 0x80000, image));
    UnitBench bench;
    bench.window.baudrateComboBox->setCurrentText("9600");
    QVERIFY(bench.driver.chooseRomFile(path));
    const QString crc = Crc32Text(Crc32(image));
    QCOMPARE(StatusBarShows(bench.window), QStringList{"CRC-32 " + crc + ", 20000 B, 2 frames, 0:34"});
    const auto *summary = bench.window.findChild<QLabel *>("imageSummaryLabel");
    QCOMPARE(summary->toolTip(),
             "CRC-32 " + crc + ", 0x00080000 to 0x00084E1F, 20000 bytes, 2 data frames, 0:34 on the wire at 9600 baud");
    // The short form fits the fixed window whole, beside what an operation shows.
    bench.window.findChild<QLabel *>("operationStatusLabel")->setText("Flash line lost at transfer · 0:12");
    bench.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bench.window));
    QVERIFY2(summary->width() >= summary->fontMetrics().boundingRect(summary->text()).width(),
             qPrintable(QString("%1 pixels for the summary, %2 needed")
                            .arg(summary->width())
                            .arg(summary->fontMetrics().boundingRect(summary->text()).width())));
    // What a menu sends when the pointer enters it, and a tooltip when it leaves.
    QStatusTipEvent emptyTip{QString()};
    QApplication::sendEvent(&bench.window, &emptyTip);
    QVERIFY(StatusBarShows(bench.window).value(0).startsWith("CRC-32 " + crc));

    // The third line's last digit is its record checksum.
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QByteArray text = file.readAll();
    const int digit = text.indexOf('\n', text.indexOf('\n', text.indexOf('\n') + 1) + 1) - 1;
    text[digit] = text.at(digit) == '0' ? '1' : '0';
    QVERIFY(file.seek(0) && file.write(text) == text.size() && file.flush());
    QVERIFY(bench.driver.chooseRomFile(path));
    QCOMPARE(StatusBarShows(bench.window), QStringList{"ROM file refused: line 3: wrong record checksum"});
    QCOMPARE(LogTexts(bench.window.progressTextEdit), QStringList({"Browse success", "Browse success"}));
    QVERIFY(bench.answerer.boxes().isEmpty());
}

QTEST_MAIN(TestConnection)
#include "tst_connection.moc"
