#include <QtTest>

#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>

#include "intelhexwriter.h"
#include "sparsememory.h"
#include "support/logpane.h"
#include "support/progresswatch.h"
#include "support/unitbench.h"

const QStringList FLASH_SUCCESS = {
    "[Flash Hanlder] Flash command started", "[Flash Hanlder] Jump to boot loader success",
    "[Flash Hanlder] Erasing..",             "[Flash Hanlder] Erase success",
    "[Flash Hanlder] Flashing.. 100%",       "[Flash Hanlder] Flash success",
    "[Flash Hanlder] Verify success",        "[Flash Hanlder] Resetting..",
    "[Flash Hanlder] Reset success",
};

// The status bar counts the frames with the time left, and ends with the time it all took.
void CheckStatusCountsFrames(const QSignalSpy &shown, int frames, const QString &last)
{
    QStringList counted;
    for (const QList<QVariant> &message : shown) {
        const QRegularExpressionMatch match = QRegularExpression(
            "^Flashing: (frame \\d+ of \\d+) · \\d+:\\d\\d elapsed · about \\d+:\\d\\d left$").match(message.at(0).toString());
        if (match.hasMatch() && !counted.contains(match.captured(1)))
            counted << match.captured(1);
    }
    QStringList expected;
    for (int frame = 1; frame <= frames; ++frame)
        expected << QString("frame %1 of %2").arg(frame).arg(frames);
    QCOMPARE(counted, expected);
    QVERIFY2(QRegularExpression("^Flash: Reset success · \\d+:\\d\\d in all$").match(last).hasMatch(), qPrintable(last));
}

// Whole images flashed through the window into the simulated unit.
class TestFlash : public QObject
{
    Q_OBJECT

private slots:
    void imagesArriveByteForByte_data();
    void imagesArriveByteForByte();
    void flashNeedsAChosenFile();

private:
    QTemporaryDir directory;
};

void TestFlash::imagesArriveByteForByte_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("recordLength");
    QTest::addColumn<QList<int>>("percentages");
    // How the file is written, or what happens to it during the Flash.
    QTest::addColumn<QString>("file");

    QTest::newRow("exactly one chunk, CR LF") << 0x80000u << 16384 << 16 << QList<int>{0, 100, 100} << "CR LF";
    QTest::newRow("one record after a chunk, across a 64 KiB page")
        << 0x1FC000u << 16400 << 16 << QList<int>{0, 99, 100, 100} << "";
    QTest::newRow("half a chunk after, start address records") << 0x80000u << 24576 << 16
        << QList<int>{0, 66, 100, 100} << "start addresses and an empty record";
    QTest::newRow("15-byte records across a page, no final line end") << 0x8000u << 40000 << 15
        << QList<int>{0, 40, 81, 100, 100} << "no final line end";
    QTest::newRow("8-byte records, lower case") << 0x80004u << 40000 << 8
        << QList<int>{0, 40, 81, 100, 100} << "lower case";
    QTest::newRow("1-byte records") << 0x80001u << 20000 << 1 << QList<int>{0, 81, 100, 100} << "";
    // What goes out is the file as it was checked, whatever happens to it afterwards.
    const QList<int> fourChunks{0, 25, 50, 75, 100, 100};
    QTest::newRow("file cut mid-flash") << 0x80000u << 65536 << 16 << fourChunks << "cut mid-flash";
    QTest::newRow("file rewritten mid-flash") << 0x80000u << 65536 << 16 << fourChunks << "rewritten mid-flash";
}

void TestFlash::imagesArriveByteForByte()
{
    QFETCH(quint32, address);
    QFETCH(int, size);
    QFETCH(int, recordLength);
    QFETCH(QList<int>, percentages);
    QFETCH(QString, file);

    const QByteArray image = SampleImage(size, size + recordLength);
    SparseMemory memory;
    memory.write(address, image);
    QByteArray text = IntelHexWriter::text(memory, recordLength).toLatin1();
    if (file == "CR LF")
        text.replace("\n", "\r\n");
    else if (file == "lower case")
        text = text.toLower();
    else if (file == "no final line end")
        text.chop(1);
    else if (file == "start addresses and an empty record")
        text = ":0400000300001234B3\n:0000000000\n" + text.replace(":00000001FF", ":0400000500080000EF\n:00000001FF");
    const QString path = directory.filePath("image.rom");
    QFile saving(path);
    QVERIFY(saving.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && saving.write(text) == text.size());

    UnitBench bench;
    QVERIFY(bench.start());
    bench.window.romFilePath = path;
    bench.window.hexFileTextEdit->setPlainText(path);
    ProgressWatch watch(bench.window.progressTextEdit);
    watch.onLine("[Flash Hanlder] Flashing.. 0%", [&] {
        if (file == "cut mid-flash")
            QVERIFY(QFile::resize(path, text.size() / 2 + 7));
        else if (file == "rewritten mid-flash")
            QVERIFY(WriteRomFile(path, address, SampleImage(size, 0), recordLength));
    });
    const QSignalSpy shown(bench.window.Ui_Norvane::statusBar, &QStatusBar::messageChanged);
    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench.window.progressTextEdit), FLASH_SUCCESS);
    CheckStatusCountsFrames(shown, percentages.size() - 2, bench.window.Ui_Norvane::statusBar->currentMessage());
    QStringList progress;
    for (int percentage : percentages)
        progress << QString("[Flash Hanlder] Flashing.. %1%").arg(percentage);
    QCOMPARE(watch.lines(), progress);
    // Only the last frame ends the image.
    const int frameCount = (size + 16383) / 16384;
    QCOMPARE(bench.unit.receivedCommands(),
             QByteArray::fromHex("101215") + QByteArray(frameCount - 1, '\x13') + QByteArray::fromHex("161114"));
    // Each frame lands at the address of its first byte; the last one is filled with zeros.
    const int written = frameCount * 16384;
    QCOMPARE(bench.unit.memory(address, written), image + QByteArray(written - size, '\0'));
    QVERIFY(bench.answerer.boxes().isEmpty());
}

void TestFlash::flashNeedsAChosenFile()
{
    UnitBench bench;
    QVERIFY(bench.start());
    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    QCOMPARE(bench.answerer.texts(), QStringList{"Please browse rom file"});
    QVERIFY(bench.window.progressTextEdit->toPlainText().isEmpty());
    QVERIFY(bench.unit.frames().isEmpty());
    QVERIFY(!bench.window.busy);
}

QTEST_MAIN(TestFlash)
#include "tst_flash.moc"
