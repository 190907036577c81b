#include <QtTest>

#include <memory>

#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QStatusBar>
#include <QTextEdit>

#include <sys/stat.h>

#include "app/norvane.h"
#include "intelhexwriter.h"
#include "rom/romimage.h"
#include "sparsememory.h"
#include "ecusimulator.h"
#include "support/logpane.h"
#include "support/messagecapture.h"
#include "support/modalanswerer.h"
#include "support/modemlinerecorder.h"
#include "support/unitbench.h"

// A Flash that fails stops where it failed: two red lines, nothing sent after, no reset.
class TestFlashFailures : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void failedFlashStops_data();
    void failedFlashStops();
    void badFilesAreRefusedBeforeThePulse_data();
    void badFilesAreRefusedBeforeThePulse();

private:
    QTemporaryDir directory;
    std::unique_ptr<UnitBench> bench;
};

void TestFlashFailures::init()
{
    bench = std::make_unique<UnitBench>();
    QVERIFY(bench->start());
}

void TestFlashFailures::cleanup()
{
    bench.reset();
}

void TestFlashFailures::failedFlashStops_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QByteArray>("frames");
    QTest::addColumn<QString>("lastProgress");

    QTest::newRow("flash start refused") << "start" << "Flash Application: Received flash failure response"
                                         << QByteArray::fromHex("101215") << "[Flash Hanlder] Flashing.. 0%";
    QTest::newRow("third frame times out") << "silent" << "Flash Application: Port read timed out"
                                           << QByteArray::fromHex("1012151313 13") << "[Flash Hanlder] Flashing.. 50%";
    QTest::newRow("third answer corrupt") << "checksum" << "Flash Application: Invalid response frame received"
                                          << QByteArray::fromHex("1012151313 13") << "[Flash Hanlder] Flashing.. 50%";
    QTest::newRow("third frame refused") << "status" << "Flash Application: Received flash failure response"
                                         << QByteArray::fromHex("1012151313 13") << "[Flash Hanlder] Flashing.. 50%";
}

void TestFlashFailures::failedFlashStops()
{
    QFETCH(QString, fault);
    QFETCH(QString, cause);
    QFETCH(QByteArray, frames);
    QFETCH(QString, lastProgress);

    // Four chunks: the third data frame is the one that fails.
    const QString path = directory.filePath("four.rom");
    QVERIFY(WriteRomFile(path, 0x80000, SampleImage(4 * 16384)));
    bench->window.romFilePath = path;
    bench->window.hexFileTextEdit->setPlainText(bench->window.romFilePath);

    EcuSimulator::Fault injected;
    injected.silent = fault == "silent";
    injected.wrongChecksum = fault == "checksum";
    if (fault == "status")
        injected.status = 0x85;
    if (fault == "start") {
        injected.status = 0x00;
        bench->unit.setCommandFault(0x15, injected);
    } else {
        bench->unit.setDataFrameFault(2, injected);
    }

    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QVERIFY(lines.size() >= 3);
    QCOMPARE(lines.at(lines.size() - 3).text, lastProgress);
    QCOMPARE(lines.at(lines.size() - 2).text, cause);
    QCOMPARE(lines.at(lines.size() - 2).colour, LOG_RED);
    QCOMPARE(lines.last().text, QString("[Flash Hanlder] Flash failed"));
    QCOMPARE(lines.last().colour, LOG_RED);
    QCOMPARE(ReceivedCommands(bench->unit), frames);
    QVERIFY(!bench->window.busy);
    QVERIFY(!ModemLineRecorder::events(bench->unit.portPath()).last().dtr);
    QVERIFY(bench->answerer.boxes().isEmpty());
}

void TestFlashFailures::badFilesAreRefusedBeforeThePulse_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("verifyAfter");

    // Line 1 sets the upper address 0x0008, lines 2 to 5 hold 16 bytes each from 0x80000.
    SparseMemory memory;
    memory.write(0x80000, SampleImage(64));
    const QList<QByteArray> lines = IntelHexWriter::text(memory).toLatin1().split('\n');
    const auto file = [&lines](const QList<int> &order) {
        QByteArray content;
        for (int index : order)
            content += lines.at(index) + '\n';
        return content;
    };
    QByteArray line3 = lines.at(2);

    QTest::newRow("gap") << "file" << file({0, 1, 3, 4, 5})
                         << "line 3: address 0x00080020 does not follow 0x0008000F" << true;
    QTest::newRow("backwards") << "file" << file({0, 2, 1, 3, 4, 5})
                               << "line 3: address 0x00080000 does not follow 0x0008001F" << true;
    QTest::newRow("overlap") << "file" << file({0, 1, 2, 2, 3, 4, 5})
                             << "line 4: address 0x00080010 does not follow 0x0008001F" << false;
    QTest::newRow("no end of file") << "file" << file({0, 1, 2, 3, 4}) << "no End Of File record" << true;
    QTest::newRow("bad checksum") << "file" << file({0, 1}) + QByteArray(line3).replace(42, 1, line3.at(42) == '0' ? "1" : "0") + '\n' + file({3, 4, 5})
                                  << "line 3: wrong record checksum" << true;
    QTest::newRow("bad byte count") << "file" << file({0, 1}) + QByteArray(line3).replace(1, 2, "0F") + '\n' + file({3, 4, 5})
                                    << "line 3: byte count does not match the record" << false;
    QTest::newRow("not hex") << "file" << file({0, 1}) + QByteArray(line3).replace(20, 1, "Z") + '\n' + file({3, 4, 5})
                             << "line 3: is not ':' followed by pairs of hex digits" << false;
    QTest::newRow("extended address of one byte") << "file" << ":0100000400FB\n" + file({1, 2, 3, 4, 5})
                                                  << "line 1: extended linear address record without exactly two data bytes" << false;
    QTest::newRow("extended segment address") << "file" << ":020000021000EC\n" + file({0, 1, 2, 3, 4, 5})
                                              << "line 1: extended segment address records are not supported" << false;
    QTest::newRow("line of 120 characters") << "file" << file({0, 1}) + ':' + QByteArray(119, '0') + '\n' + file({5})
                                            << "line 3: longer than 99 characters" << false;
    QTest::newRow("blank line") << "file" << file({0, 1}) + '\n' + file({2, 3, 4, 5})
                                << "line 3: does not start with ':'" << false;
    QTest::newRow("record of 17 bytes") << "file" << ":11000000000102030405060708090A0B0C0D0E0F1067\n" + file({5})
                                        << "line 1: data record of more than 16 bytes" << false;
    QTest::newRow("no data record") << "file" << file({0, 5}) << "no data record" << false;
    QTest::newRow("missing") << "missing" << QByteArray() << "file not found" << false;
    QTest::newRow("directory") << "directory" << QByteArray() << "not a regular file" << false;
    QTest::newRow("fifo") << "fifo" << QByteArray() << "not a regular file" << true;
}

// Nothing reaches the line, the control lines stay as they are, and the unit keeps its
// application; the window is ready for the next operation.
void TestFlashFailures::badFilesAreRefusedBeforeThePulse()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QFETCH(bool, verifyAfter);

    const QByteArray application = SampleImage(32768, 3);
    QCOMPARE(bench->window.SendJumpToBootloader(), Success);
    QCOMPARE(bench->window.SendEraseApplication(), Success);
    QCOMPARE(bench->window.SendFlashApplication({0x10000, application}), Success);
    bench->window.AppendLog(Clear, "");

    const QString path = directory.filePath(kind + ".rom");
    if (kind == "file") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(content), qint64(content.size()));
    } else if (kind == "directory") {
        QVERIFY(QDir(directory.path()).mkdir(kind + ".rom"));
    } else if (kind == "fifo") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    bench->window.romFilePath = path;
    bench->window.hexFileTextEdit->setPlainText(path);

    const int framesBefore = bench->unit.frames().size();
    const int lineChangesBefore = ModemLineRecorder::events(bench->unit.portPath()).size();
    MessageCapture messages;
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QCOMPARE(LogTexts(bench->window.progressTextEdit),
             QStringList({"[Flash Hanlder] Flash command started", "Flash Application: rom file open failed",
                          "[Flash Hanlder] Flash failed"}));
    QCOMPARE(lines.at(0).colour, LOG_BLUE);
    QCOMPARE(lines.at(1).colour, LOG_RED);
    QCOMPARE(lines.at(2).colour, LOG_RED);
    QCOMPARE(bench->window.Ui_Norvane::statusBar->currentMessage(), "ROM file refused: " + reason);
    QCOMPARE(messages.debugLines(), QStringList{"ROM file refused: " + reason});
    QCOMPARE(bench->unit.frames().size(), framesBefore);
    QCOMPARE(ModemLineRecorder::events(bench->unit.portPath()).size(), lineChangesBefore);
    QVERIFY(!bench->window.busy);
    QVERIFY(bench->answerer.boxes().isEmpty());

    if (verifyAfter) {
        QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);
        QCOMPARE(LogTexts(bench->window.progressTextEdit).last(), QString("[Verify Hanlder] Reset success"));
    }
    QCOMPARE(bench->unit.memory(0x10000, application.size()), application);
}

QTEST_MAIN(TestFlashFailures)
#include "tst_flashfailures.moc"
