#include <QtTest>

#include <memory>

#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextEdit>

#include "app/norvane.h"
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
    void unreadableImagesSendNothing_data();
    void unreadableImagesSendNothing();

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

    QTest::newRow("file missing") << "missing" << "Flash Application: rom file open failed"
                                  << QByteArray::fromHex("1012") << "[Flash Hanlder] Flashing.. 0%";
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
    bench->window.romFilePath = fault == "missing" ? directory.filePath("gone.rom") : path;
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

void TestFlashFailures::unreadableImagesSendNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    const QByteArray record = ":10000000000102030405060708090A0B0C0D0E0F78\n";
    const QByteArray end = ":00000001FF\n";
    QTest::newRow("blank line between records") << record + "\n" + record + end;
    QTest::newRow("blank line at the end") << record + end + "\n";
    QTest::newRow("line too long for the buffer") << record + ":" + QByteArray(119, '0') + "\n" + end;
    QTest::newRow("record of 17 data bytes") << ":11000000000102030405060708090A0B0C0D0E0F1067\n" + end;
    QTest::newRow("no data record") << end;
    QTest::newRow("not hex records at all") << QByteArray("hello\n");
}

void TestFlashFailures::unreadableImagesSendNothing()
{
    QFETCH(QByteArray, content);
    QFile file(directory.filePath("bad.rom"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    bench->window.romFilePath = file.fileName();

    QCOMPARE(bench->window.SendJumpToBootloader(), Success);
    QCOMPARE(bench->window.SendFlashApplication(), RomFileOpenFailed);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("10"));
    QVERIFY(!bench->window.RunFlashApplication());
    QCOMPARE(LogTexts(bench->window.progressTextEdit), QStringList{"Flash Application: rom file open failed"});
}

QTEST_MAIN(TestFlashFailures)
#include "tst_flashfailures.moc"
