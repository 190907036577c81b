#include <QtTest>

#include <memory>

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
#include "support/progresswatch.h"
#include "support/unitbench.h"

namespace {

const QStringList FLASH_SUCCESS = {
    "[Flash Hanlder] Flash command started", "[Flash Hanlder] Jump to boot loader success",
    "[Flash Hanlder] Erasing..",             "[Flash Hanlder] Erase success",
    "[Flash Hanlder] Flashing.. 100%",       "[Flash Hanlder] Flash success",
    "[Flash Hanlder] Verify success",        "[Flash Hanlder] Resetting..",
    "[Flash Hanlder] Reset success",
};

QString Progress(int percentage)
{
    return QString("[Flash Hanlder] Flashing.. %1%").arg(percentage);
}

QVector<EcuSimulator::ReceivedFrame> DataFrames(const EcuSimulator &unit)
{
    QVector<EcuSimulator::ReceivedFrame> frames;
    for (const EcuSimulator::ReceivedFrame &frame : unit.frames())
        if (frame.bytes.size() == 16396)
            frames << frame;
    return frames;
}

} // namespace

// Whole images flashed through the window into the simulated unit.
class TestFlash : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void imagesArriveByteForByte_data();
    void imagesArriveByteForByte();
    void twoChunkImageFramesAndProgress();
    void partialLastChunkIsSent();
    void oddRecordLengthsNeverOverrunAFrame();
    void progressTurnsEarlierLinesBlue();
    void browseDuringTransferIsRefused();
    void flashNeedsAChosenFile();

private:
    void choose(const QString &path);

    QTemporaryDir directory;
    std::unique_ptr<UnitBench> bench;
};

void TestFlash::init()
{
    ModemLineRecorder::clear();
    bench = std::make_unique<UnitBench>();
    QVERIFY(bench->start());
    const QString port = bench->unit.portPath();
    bench->unit.setJumpGate([port](qint64 sinceMs) { return ModemLineRecorder::resetPulseSince(port, sinceMs); });
}

void TestFlash::cleanup()
{
    bench.reset();
}

// Chooses the file through Browse and its dialog, as a user would.
void TestFlash::choose(const QString &path)
{
    bench->answerer.queueFileDialogAnswer(path);
    QTest::mouseClick(bench->window.browseButton, Qt::LeftButton);
    QCOMPARE(bench->window.romFilePath, QDir::toNativeSeparators(path));
    QCOMPARE(bench->answerer.fileDialogCaptions(), QStringList{"Open HEX File"});
    bench->answerer.clear();
    bench->window.AppendLog(Clear, "");
}

void TestFlash::imagesArriveByteForByte_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("progress");
    QTest::newRow("one chunk") << quint32(0) << 16384 << QStringList{Progress(0), Progress(100), Progress(100)};
    QStringList quarterMegabyte{Progress(0)};
    for (int percentage : {6, 12, 18, 25, 31, 37, 43, 50, 56, 62, 68, 75, 81, 87, 93, 100, 100})
        quarterMegabyte << Progress(percentage);
    QTest::newRow("256 KiB across a 64 KiB boundary") << quint32(0x1F8000) << 262144 << quarterMegabyte;
}

void TestFlash::imagesArriveByteForByte()
{
    QFETCH(quint32, address);
    QFETCH(int, size);
    QFETCH(QStringList, progress);

    const QByteArray image = SampleImage(size, size);
    const QString path = directory.filePath(QString("image-%1.rom").arg(size));
    QVERIFY(WriteRomFile(path, address, image));
    choose(path);

    ProgressWatch watch(bench->window.progressTextEdit);
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench->window.progressTextEdit), FLASH_SUCCESS);
    QCOMPARE(watch.lines(), progress);
    QCOMPARE(bench->unit.memory(address, size), image);
    QCOMPARE(bench->unit.writtenRanges(), (QVector<QPair<quint32, quint32>>{{address, quint32(size)}}));
    QVERIFY(!bench->window.busy);
    QVERIFY(bench->answerer.boxes().isEmpty());
}

void TestFlash::twoChunkImageFramesAndProgress()
{
    const QByteArray image = SampleImage(32768);
    const QString path = directory.filePath("two.rom");
    QVERIFY(WriteRomFile(path, 0x80000, image));
    choose(path);

    ProgressWatch watch(bench->window.progressTextEdit);
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("10121513161114"));
    const QVector<EcuSimulator::ReceivedFrame> frames = DataFrames(bench->unit);
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames.at(0).bytes.mid(4, 4), QByteArray::fromHex("00000800"));
    QCOMPARE(frames.at(0).bytes.mid(8, 16384), image.left(16384));
    QCOMPARE(frames.at(1).bytes.mid(4, 4), QByteArray::fromHex("00400800"));
    QCOMPARE(frames.at(1).bytes.mid(8, 16384), image.mid(16384));
    QCOMPARE(watch.lines(), QStringList({Progress(0), Progress(50), Progress(100), Progress(100)}));
    QCOMPARE(bench->unit.memory(0x80000, 32768), image);
    QCOMPARE(LogTexts(bench->window.progressTextEdit), FLASH_SUCCESS);
}

void TestFlash::partialLastChunkIsSent()
{
    const QByteArray image = SampleImage(2 * 16384 + 4000, 7);
    const QString path = directory.filePath("partial.rom");
    QVERIFY(WriteRomFile(path, 0x10000, image));
    choose(path);

    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench->window.progressTextEdit), FLASH_SUCCESS);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("1012151313161114"));
    const QVector<EcuSimulator::ReceivedFrame> frames = DataFrames(bench->unit);
    QCOMPARE(frames.last().bytes.mid(4, 4), QByteArray::fromHex("00800100"));
    // The frame's unused data area is zero-filled.
    QCOMPARE(frames.last().bytes.mid(8 + 4000, 16384 - 4000), QByteArray(16384 - 4000, '\0'));
    QCOMPARE(bench->unit.memory(0x10000, image.size()), image);
}

void TestFlash::oddRecordLengthsNeverOverrunAFrame()
{
    // Fifteen-byte records: a chunk fills up in the middle of a record.
    const QByteArray image = SampleImage(15 * 2500, 3);
    QFile file(directory.filePath("fifteen.rom"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (int offset = 0; offset < image.size(); offset += 15) {
        QByteArray record;
        record.append(char(15)).append(char(offset >> 8)).append(char(offset)).append(char(0));
        record.append(image.mid(offset, 15)).append(char(0));
        file.write(":" + record.toHex() + "\n");
    }
    file.write(":00000001FF\n");
    file.close();
    choose(file.fileName());

    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench->window.progressTextEdit).last(), QString("[Flash Hanlder] Reset success"));
    QByteArray sent;
    for (const EcuSimulator::ReceivedFrame &frame : DataFrames(bench->unit))
        sent += frame.bytes.mid(8, 16384);
    QCOMPARE(DataFrames(bench->unit).size(), 3);
    QCOMPARE(sent.left(image.size()), image);
    QCOMPARE(sent.mid(image.size()), QByteArray(sent.size() - image.size(), '\0'));
}

void TestFlash::progressTurnsEarlierLinesBlue()
{
    const QString path = directory.filePath("one.rom");
    QVERIFY(WriteRomFile(path, 0, SampleImage(16384)));
    choose(path);
    bench->window.AppendLog(Error, "an earlier red line");

    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    QCOMPARE(lines.first().text, QString("an earlier red line"));
    for (const LogLine &line : lines)
        QCOMPARE(line.colour, LOG_BLUE);
}

void TestFlash::browseDuringTransferIsRefused()
{
    const QString path = directory.filePath("two.rom");
    QVERIFY(WriteRomFile(path, 0x80000, SampleImage(32768)));
    choose(path);

    ProgressWatch watch(bench->window.progressTextEdit);
    watch.onLine(Progress(50), [this] {
        QTest::mouseClick(bench->window.browseButton, Qt::LeftButton);
        QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);
    });
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    QCOMPARE(bench->answerer.texts(), QVector<QString>(2, "Operation is in progress please wait..").toList());
    QCOMPARE(bench->answerer.fileDialogCaptionsSeen(), 0);
    QCOMPARE(bench->window.romFilePath, QDir::toNativeSeparators(path));
    QCOMPARE(LogTexts(bench->window.progressTextEdit), FLASH_SUCCESS);
    QCOMPARE(ReceivedCommands(bench->unit), QByteArray::fromHex("10121513161114"));
}

void TestFlash::flashNeedsAChosenFile()
{
    const int linesBefore = ModemLineRecorder::events(bench->unit.portPath()).size();
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);
    QCOMPARE(bench->answerer.texts(), QStringList{"Please browse rom file"});
    QVERIFY(bench->window.progressTextEdit->toPlainText().isEmpty());
    QCOMPARE(ModemLineRecorder::events(bench->unit.portPath()).size(), linesBefore);
    QVERIFY(!bench->window.busy);
    QVERIFY(bench->unit.frames().isEmpty());
}

QTEST_MAIN(TestFlash)
#include "tst_flash.moc"
