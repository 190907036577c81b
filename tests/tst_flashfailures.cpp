#include <QtTest>

#include <QBuffer>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>

#include <sys/stat.h>

#include "intelhexwriter.h"
#include "rom/romimage.h"
#include "sparsememory.h"
#include "support/logpane.h"
#include "support/modemlinerecorder.h"
#include "support/unitbench.h"

// The unit's answer to each command code.
using UnitFaults = QMap<int, Fault>;

// Fails every read past a point, as a failing disk does.
struct FailingBuffer : QBuffer {
    qint64 failAt = 0;

    qint64 readData(char *data, qint64 maxSize) override
    {
        if (pos() < failAt)
            return QBuffer::readData(data, qMin(maxSize, failAt - pos()));
        setErrorString("Input/output error");
        return -1;
    }
};

// A Flash goes on exactly as far as the unit's answers allow, and a bad file never starts one.
class TestFlashFailures : public QObject
{
    Q_OBJECT

private slots:
    void unitAnswersDecideHowFarItGoes_data();
    void unitAnswersDecideHowFarItGoes();
    void badFilesAreRefusedBeforeThePulse_data();
    void badFilesAreRefusedBeforeThePulse();
    void readErrorPartWayIsRefused();

private:
    QTemporaryDir directory;
};

void TestFlashFailures::unitAnswersDecideHowFarItGoes_data()
{
    QTest::addColumn<UnitFaults>("faults");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QStringList>("lastLines");
    QTest::addColumn<bool>("failed");

    const QString refused = "Flash Application: Received flash failure response";
    const QString flashFailed = "[Flash Hanlder] Flash failed";
    QTest::newRow("Jump refused") << UnitFaults{{0x10, Fault::answerStatus(0)}} << "10"
        << QStringList{"Jump to boot loader: Received jump to bootloader failure response",
                       "[Flash Hanlder] Jump to boot loader failed"} << true;
    QTest::newRow("Erase refused") << UnitFaults{{0x12, Fault::answerStatus(0)}} << "1012"
        << QStringList{"Erase Application: Received erase failure response", "[Flash Hanlder] Erase failed"} << true;
    QTest::newRow("Flash start unanswered") << UnitFaults{{0x15, Fault::noAnswer()}} << "101215"
        << QStringList{"Flash Application: Port read timed out", flashFailed} << true;
    QTest::newRow("Flash start refused") << UnitFaults{{0x15, Fault::answerStatus(0)}} << "101215"
        << QStringList{"[Flash Hanlder] Flashing.. 0%", refused, flashFailed} << true;
    QTest::newRow("first frame's answer corrupt") << UnitFaults{{0x13, Fault::corruptChecksum()}} << "10121513"
        << QStringList{"Flash Application: Invalid response frame received", flashFailed} << true;
    QTest::newRow("last frame refused") << UnitFaults{{0x16, Fault::answerStatus(0x85)}} << "1012151316"
        << QStringList{"[Flash Hanlder] Flashing.. 50%", refused, flashFailed} << true;
    QTest::newRow("Verify refused") << UnitFaults{{0x11, Fault::answerStatus(0)}} << "101215131611"
        << QStringList{"Verify Application: Received verify failure response", "[Flash Hanlder] Verify failed"} << true;
    QTest::newRow("Reset refused") << UnitFaults{{0x14, Fault::answerStatus(0)}} << "10121513161114"
        << QStringList{"Reset ECU: Received reset failure response", "[Flash Hanlder] Reset failed"} << true;
    // Either status that means "chunk flashed" is taken for any frame.
    QTest::newRow("frames answered 0x86, then 0x83")
        << UnitFaults{{0x13, Fault::answerStatus(0x86)}, {0x16, Fault::answerStatus(0x83)}} << "10121513161114"
        << QStringList{"[Flash Hanlder] Reset success"} << false;
}

// Nothing is sent after a failed step, not even a reset.
void TestFlashFailures::unitAnswersDecideHowFarItGoes()
{
    QFETCH(UnitFaults, faults);
    QFETCH(QString, received);
    QFETCH(QStringList, lastLines);
    QFETCH(bool, failed);

    UnitBench bench;
    QVERIFY(bench.start());
    for (auto fault = faults.cbegin(); fault != faults.cend(); ++fault)
        bench.unit.setCommandFault(quint8(fault.key()), fault.value());
    const QString path = directory.filePath("two.rom");
    QVERIFY(WriteRomFile(path, 0x80000, SampleImage(2 * 16384)));
    bench.window.romFilePath = path;
    bench.window.hexFileTextEdit->setPlainText(path);
    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    const QStringList log = LogTexts(bench.window.progressTextEdit);
    QCOMPARE(log.mid(log.size() - lastLines.size()), lastLines);
    QCOMPARE(LogLines(bench.window.progressTextEdit).last().colour, failed ? LOG_RED : LOG_BLUE);
    QCOMPARE(QString(bench.unit.receivedCommands().toHex()), received);
    QVERIFY(!bench.window.busy);
    // The status bar ends with the last step and the time it all took.
    const QString status = bench.window.Ui_Norvane::statusBar->currentMessage();
    const QString step = lastLines.last().mid(lastLines.last().indexOf("] ") + 2);
    QVERIFY2(QRegularExpression("^Flash: " + QRegularExpression::escape(step) + " · \\d+:\\d\\d in all$")
                 .match(status).hasMatch(), qPrintable(status));
}

void TestFlashFailures::badFilesAreRefusedBeforeThePulse_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("eraseAfter");

    // Line 0 sets the upper address 0x0008, lines 1 to 4 hold 16 bytes each from 0x80000.
    SparseMemory memory;
    memory.write(0x80000, SampleImage(64));
    const QList<QByteArray> lines = IntelHexWriter::text(memory).toLatin1().split('\n');
    const auto file = [&lines](const QList<int> &order) {
        QByteArray content;
        for (int index : order)
            content += lines.at(index) + '\n';
        return content;
    };
    const QByteArray line2 = lines.at(2);
    const auto withLine2 = [&file](const QByteArray &line) { return file({0, 1}) + line + '\n' + file({3, 4, 5}); };
    auto saved = [this, count = 0](const QByteArray &content) mutable {
        QFile saving(directory.filePath(QString("%1.rom").arg(++count)));
        return saving.open(QIODevice::WriteOnly) && saving.write(content) == content.size() ? saving.fileName() : "";
    };
    // Rows picked one by one on the command line call this again.
    const QString fifo = directory.filePath("fifo");
    QFile::remove(fifo);
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    QTest::newRow("gap") << saved(file({0, 1, 3, 4, 5}))
                         << "line 3: address 0x00080020 does not follow 0x0008000F" << true;
    QTest::newRow("backwards") << saved(file({0, 2, 1, 3, 4, 5}))
                               << "line 3: address 0x00080000 does not follow 0x0008001F" << false;
    QTest::newRow("no end of file") << saved(file({0, 1, 2, 3, 4})) << "no End Of File record" << false;
    QTest::newRow("data after end of file") << saved(file({0, 1, 2, 3, 4, 5, 1}))
                                            << "line 7: a line after the End Of File record" << false;
    const QByteArray otherChecksum = QByteArray(line2).replace(42, 1, line2.at(42) == '0' ? "1" : "0");
    QTest::newRow("bad checksum") << saved(withLine2(otherChecksum)) << "line 3: wrong record checksum" << false;
    QTest::newRow("bad byte count") << saved(withLine2(QByteArray(line2).replace(1, 2, "0F")))
                                    << "line 3: byte count does not match the record" << false;
    QTest::newRow("not hex") << saved(withLine2(QByteArray(line2).replace(20, 1, "Z")))
                             << "line 3: is not ':' followed by pairs of hex digits" << false;
    QTest::newRow("line of 120 characters") << saved(withLine2(':' + QByteArray(119, '0')))
                                            << "line 3: longer than 99 characters" << false;
    QTest::newRow("extended address of one byte") << saved(":0100000400FB\n" + file({1, 2, 3, 4, 5}))
        << "line 1: extended linear address record without exactly two data bytes" << false;
    QTest::newRow("extended segment address") << saved(":020000021000EC\n" + file({0, 1, 2, 3, 4, 5}))
                                              << "line 1: extended segment address records are not supported" << false;
    QTest::newRow("record of 17 bytes") << saved(":11000000000102030405060708090A0B0C0D0E0F1067\n" + file({5}))
                                        << "line 1: data record of more than 16 bytes" << false;
    QTest::newRow("no data record") << saved(file({0, 5})) << "no data record" << false;
    QTest::newRow("missing") << directory.filePath("missing") << "file not found" << false;
    QTest::newRow("directory") << directory.path() << "not a regular file" << false;
    QTest::newRow("fifo") << fifo << "not a regular file" << true;
}

// Nothing reaches the line and the control lines stay as they are; the window is ready for
// the next operation.
void TestFlashFailures::badFilesAreRefusedBeforeThePulse()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QFETCH(bool, eraseAfter);

    UnitBench bench;
    QVERIFY(bench.start());
    bench.window.romFilePath = path;
    bench.window.hexFileTextEdit->setPlainText(path);
    const int lineChangesBefore = ModemLineRecorder::events(bench.unit.portPath()).size();
    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench.window.progressTextEdit),
             QStringList({"[Flash Hanlder] Flash command started", "Flash Application: rom file open failed",
                          "[Flash Hanlder] Flash failed"}));
    const QVector<LogLine> lines = LogLines(bench.window.progressTextEdit);
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(lines.at(i).colour, i == 0 ? LOG_BLUE : LOG_RED);
    QCOMPARE(bench.window.Ui_Norvane::statusBar->currentMessage(), "ROM file refused: " + reason);
    QVERIFY(bench.unit.frames().isEmpty());
    QCOMPARE(ModemLineRecorder::events(bench.unit.portPath()).size(), lineChangesBefore);
    QVERIFY(!bench.window.busy);
    QVERIFY(bench.answerer.boxes().isEmpty());

    if (eraseAfter) {
        QTest::mouseClick(bench.window.eraseButton, Qt::LeftButton);
        QCOMPARE(LogTexts(bench.window.progressTextEdit).last(), QString("[Erase Hanlder] Reset success"));
    }
}

void TestFlashFailures::readErrorPartWayIsRefused()
{
    SparseMemory memory;
    memory.write(0x80000, SampleImage(32));
    const QByteArray content = IntelHexWriter::text(memory).toLatin1();
    FailingBuffer file;
    file.setData(content);
    file.failAt = content.indexOf('\n', content.indexOf('\n') + 1) + 1;
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    RomImage image;
    QString reason;
    QVERIFY(!ParseRomImage(file, &image, &reason));
    QCOMPARE(reason, QString("read error after line 2: Input/output error"));
}

QTEST_MAIN(TestFlashFailures)
#include "tst_flashfailures.moc"
