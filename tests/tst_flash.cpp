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
    void fileChangedDuringFlashIsNotSent_data();
    void fileChangedDuringFlashIsNotSent();
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
    QTest::addColumn<int>("recordLength");
    QTest::addColumn<QList<int>>("percentages");

    QTest::newRow("one chunk") << quint32(0) << 16384 << 16 << QList<int>{0, 100, 100};
    QTest::newRow("256 KiB across a 64 KiB boundary")
        << quint32(0x1F8000) << 262144 << 16
        << QList<int>{0, 6, 12, 18, 25, 31, 37, 43, 50, 56, 62, 68, 75, 81, 87, 93, 100, 100};
    QTest::newRow("one record after a chunk") << quint32(0x80000) << 16400 << 16 << QList<int>{0, 99, 100, 100};
    QTest::newRow("half a chunk after") << quint32(0x80000) << 24576 << 16 << QList<int>{0, 66, 100, 100};
    QTest::newRow("15-byte records across a page") << quint32(0x8000) << 40000 << 15 << QList<int>{0, 40, 81, 100, 100};
    QTest::newRow("8-byte records") << quint32(0x80004) << 40000 << 8 << QList<int>{0, 40, 81, 100, 100};
    QTest::newRow("1-byte records") << quint32(0x80001) << 20000 << 1 << QList<int>{0, 81, 100, 100};
}

// Every frame carries the address of its first byte, and only the last one ends the image.
void TestFlash::imagesArriveByteForByte()
{
    QFETCH(quint32, address);
    QFETCH(int, size);
    QFETCH(int, recordLength);
    QFETCH(QList<int>, percentages);

    const QByteArray image = SampleImage(size, size + recordLength);
    const QString path = directory.filePath(QString("image-%1.rom").arg(size));
    QVERIFY(WriteRomFile(path, address, image, recordLength));
    choose(path);

    ProgressWatch watch(bench->window.progressTextEdit);
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench->window.progressTextEdit), FLASH_SUCCESS);
    QStringList progress;
    for (int percentage : percentages)
        progress << Progress(percentage);
    QCOMPARE(watch.lines(), progress);
    const int frameCount = (size + 16383) / 16384;
    QCOMPARE(ReceivedCommands(bench->unit),
             QByteArray::fromHex("101215") + QByteArray(frameCount - 1, '\x13') + QByteArray::fromHex("161114"));
    const QVector<EcuSimulator::ReceivedFrame> frames = DataFrames(bench->unit);
    for (int i = 0; i < frames.size(); ++i)
        QCOMPARE(qFromLittleEndian<quint32>(frames.at(i).bytes.constData() + 4), address + quint32(i * 16384));
    QCOMPARE(bench->unit.memory(address, size), image);
    // The last frame's data area beyond the image is zero-filled.
    QCOMPARE(bench->unit.memory(address + size, frameCount * 16384 - size), QByteArray(frameCount * 16384 - size, '\0'));
    QCOMPARE(bench->unit.writtenRanges(), (QVector<QPair<quint32, quint32>>{{address, quint32(frameCount * 16384)}}));
    QVERIFY(!bench->window.busy);
    QVERIFY(bench->answerer.boxes().isEmpty());
}

void TestFlash::fileChangedDuringFlashIsNotSent_data()
{
    QTest::addColumn<bool>("truncate");
    QTest::newRow("cut in the middle of a line") << true;
    QTest::newRow("rewritten in place") << false;
}

// What goes out is the file as it was checked, whatever happens to it afterwards.
void TestFlash::fileChangedDuringFlashIsNotSent()
{
    QFETCH(bool, truncate);

    const QByteArray image = SampleImage(4 * 16384, 5);
    const QString path = directory.filePath("changing.rom");
    QVERIFY(WriteRomFile(path, 0x80000, image));
    choose(path);

    ProgressWatch watch(bench->window.progressTextEdit);
    watch.onLine(Progress(0), [&] {
        QFile file(path);
        if (truncate) {
            QVERIFY(file.resize(file.size() / 2 + 7));
            return;
        }
        const QString other = directory.filePath("other.rom");
        QVERIFY(WriteRomFile(other, 0x80000, SampleImage(4 * 16384, 6)));
        QFile replacement(other);
        QVERIFY(replacement.open(QIODevice::ReadOnly) && file.open(QIODevice::ReadWrite));
        QCOMPARE(file.write(replacement.readAll()), file.size());
    });
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    QCOMPARE(watch.lines().mid(0, 2), QStringList({Progress(0), Progress(25)}));
    QCOMPARE(LogTexts(bench->window.progressTextEdit), FLASH_SUCCESS);
    QCOMPARE(bench->unit.memory(0x80000, image.size()), image);
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
