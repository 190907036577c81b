#include <QtTest>

#include <QBuffer>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "rom/regularfile.h"
#include "rom/romimage.h"
#include "sim/intelhexwriter.h"
#include "sim/sparsememory.h"
#include "support/logpane.h"
#include "support/modemlinerecorder.h"
#include "support/unitbench.h"

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

// The sample image's lines, put together into files good and bad.
struct SampleLines {
    QList<QByteArray> lines;

    SampleLines();
    QByteArray file(const QList<int> &order, const QByteArray &lineEnd = "\n") const;
    // The whole file with line 2 replaced.
    QByteArray withLine2(const QByteArray &line, const QByteArray &lineEnd = "\n") const;
};

// A bad ROM file never starts a Flash, and no file can hold the window up.
class TestRomFiles : public QObject
{
    Q_OBJECT

private slots:
    void badFilesAreRefusedBeforeThePulse_data();
    void badFilesAreRefusedBeforeThePulse();
    void readErrorPartWayIsRefused();
    void openingNeverWaits_data();
    void openingNeverWaits();

private:
    QString saved(const QByteArray &content);
    void addLayoutRows();
    void addRecordRows();
    void addCharacterRows();
    void addNameRows();

    QTemporaryDir directory;
    int savedFiles = 0;
};

// Line 0 sets the upper address 0x0008, lines 1 to 4 hold 16 bytes each from 0x80000, line 5
// ends the file.
SampleLines::SampleLines()
{
    SparseMemory memory;
    memory.write(0x80000, SampleImage(64));
    lines = IntelHexWriter::text(memory).toLatin1().split('\n');
}

QByteArray SampleLines::file(const QList<int> &order, const QByteArray &lineEnd) const
{
    QByteArray content;
    for (int index : order)
        content += lines.at(index) + lineEnd;
    return content;
}

QByteArray SampleLines::withLine2(const QByteArray &line, const QByteArray &lineEnd) const
{
    return file({0, 1}, lineEnd) + line + lineEnd + file({3, 4, 5}, lineEnd);
}

QString TestRomFiles::saved(const QByteArray &content)
{
    QFile saving(directory.filePath(QString("%1.rom").arg(++savedFiles)));
    return saving.open(QIODevice::WriteOnly) && saving.write(content) == content.size() ? saving.fileName() : "";
}

void TestRomFiles::badFilesAreRefusedBeforeThePulse_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("eraseAfter");

    addLayoutRows();
    addRecordRows();
    addCharacterRows();
    addNameRows();
}

// Records that are well formed but do not make one image.
void TestRomFiles::addLayoutRows()
{
    const SampleLines sample;
    QTest::newRow("gap between records") << saved(sample.file({0, 1, 3, 4, 5}))
                                         << "line 3: address 0x00080020 does not follow 0x0008000F" << true;
    QTest::newRow("record stepping back")
        << saved(sample.file({0, 2, 1, 3, 4, 5})) << "line 3: address 0x00080000 does not follow 0x0008001F" << false;
    QTest::newRow("file cut before its End Of File record")
        << saved(sample.file({0, 1, 2, 3, 4})) << "no End Of File record" << false;
    QTest::newRow("data after the End Of File record")
        << saved(sample.file({0, 1, 2, 3, 4, 5, 1})) << "line 7: a line after the End Of File record" << false;
    QTest::newRow("no data record") << saved(sample.file({0, 5})) << "no data record" << false;
    QTest::newRow("data record of 17 bytes")
        << saved(":11000000000102030405060708090A0B0C0D0E0F1067\n" + sample.file({5}))
        << "line 1: data record of more than 16 bytes" << false;
}

// Records that Intel HEX does not have, or has in another form.
void TestRomFiles::addRecordRows()
{
    const SampleLines sample;
    const QByteArray image = sample.file({0, 1, 2, 3, 4, 5});
    QTest::newRow("record type 06") << saved(":00000006FA\n" + image) << "line 1: unknown record type 06" << false;
    QTest::newRow("record type FF") << saved(sample.withLine2(":000000FF01")) << "line 3: unknown record type FF"
                                    << false;
    QTest::newRow("start address of three bytes")
        << saved(":03000005000800F0\n" + image) << "line 1: start address record without exactly four data bytes"
        << false;
    QTest::newRow("start address at a non-zero address")
        << saved(":0400100500080000DF\n" + image) << "line 1: start address record with an address other than 0000"
        << false;
    QTest::newRow("End Of File record with data")
        << saved(sample.file({0, 1, 2, 3, 4}) + ":01000001AA54\n") << "line 6: End Of File record with data" << false;
    QTest::newRow("End Of File record at a non-zero address")
        << saved(sample.file({0, 1, 2, 3, 4}) + ":00001001EF")
        << "line 6: End Of File record with an address other than 0000" << false;
    QTest::newRow("extended linear address at a non-zero address")
        << saved(":020010040008E2\n" + sample.file({1, 5}))
        << "line 1: extended linear address record with an address other than 0000" << false;
    QTest::newRow("extended linear address of one byte")
        << saved(":0100000400FB\n" + sample.file({1, 2, 3, 4, 5}))
        << "line 1: extended linear address record without exactly two data bytes" << false;
    QTest::newRow("data record past the end of its segment")
        << saved(":020000021000EC\n:10FFF800000102030405060708090A0B0C0D0E0F81\n" + sample.file({5}))
        << "line 2: data record runs past the end of its 64 KiB segment" << false;
}

// Lines that are not a record and its line end, character for character.
void TestRomFiles::addCharacterRows()
{
    const SampleLines sample;
    const QByteArray line2 = sample.lines.at(2);
    const QByteArray otherChecksum = QByteArray(line2).replace(42, 1, line2.at(42) == '0' ? "1" : "0");
    QTest::newRow("wrong checksum") << saved(sample.withLine2(otherChecksum)) << "line 3: wrong record checksum"
                                    << false;
    QTest::newRow("wrong byte count") << saved(sample.withLine2(QByteArray(line2).replace(1, 2, "0F")))
                                      << "line 3: byte count does not match the record" << false;
    QTest::newRow("letter that is no hex digit") << saved(sample.withLine2(QByteArray(line2).replace(20, 1, "Z")))
                                                 << "line 3: is not ':' followed by pairs of hex digits" << false;
    QTest::newRow("CR inside a record") << saved(sample.withLine2(QByteArray(line2).insert(20, '\r')))
                                        << "line 3: a carriage return that does not end the line" << false;
    QTest::newRow("CR without LF after the last record")
        << saved(sample.file({0, 1, 2, 3, 4}) + ":00000001FF\r")
        << "line 6: a carriage return that does not end the line" << false;
    QTest::newRow("blanks after the checksum")
        << saved(sample.withLine2(line2 + "  ")) << "line 3: characters after the checksum" << false;
    QTest::newRow("blank line") << saved(sample.file({0, 1}) + "\n" + sample.file({2, 3, 4, 5}))
                                << "line 3: does not start with ':'" << false;
    // Line lengths leave out the line end, here CR LF.
    const QByteArray longest = ":2C0040000" + QByteArray(87, '0') + "94";
    QTest::newRow("line of 99 characters, not refused for its length")
        << saved(sample.withLine2(longest, "\r\n")) << "line 3: data record of more than 16 bytes" << false;
    QTest::newRow("line of 100 characters")
        << saved(sample.withLine2(':' + QByteArray(99, '0'), "\r\n")) << "line 3: longer than 99 characters" << false;
}

// Names that lead to no regular file.
void TestRomFiles::addNameRows()
{
    // Rows picked one by one on the command line call this again.
    const QString fifo = directory.filePath("fifo");
    const QString loop = directory.filePath("loop.rom");
    const QString dangling = directory.filePath("dangling.rom");
    for (const QString &name : {fifo, loop, dangling})
        QFile::remove(name);
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QFile::link(loop, loop));
    QVERIFY(QFile::link(directory.filePath("gone.rom"), dangling));

    QTest::newRow("missing") << directory.filePath("missing") << "file not found" << false;
    QTest::newRow("directory") << directory.path() << "not a regular file" << false;
    QTest::newRow("fifo") << fifo << "not a regular file" << true;
    QTest::newRow("symbolic link loop") << loop << "symbolic link loop" << false;
    QTest::newRow("dangling symbolic link")
        << dangling << "dangling symbolic link to " + directory.filePath("gone.rom") << false;
}

// Nothing reaches the line and the control lines stay as they are; the window is ready for
// the next operation.
void TestRomFiles::badFilesAreRefusedBeforeThePulse()
{
    QFETCH(QString, path);
    QFETCH(QString, reason);
    QFETCH(bool, eraseAfter);

    UnitBench bench;
    QVERIFY(bench.start());
    bench.presetRomFile(path);
    const int lineChangesBefore = ModemLineRecorder::events(bench.unit.portPath()).size();
    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench.window.progressTextEdit),
             QStringList({"[Flash Hanlder] Flash command started", "Flash Application: rom file open failed",
                          "[Flash Hanlder] Flash failed"}));
    const QVector<LogLine> lines = LogLines(bench.window.progressTextEdit);
    for (int i = 0; i < lines.size(); ++i)
        QCOMPARE(lines.at(i).colour, i == 0 ? LOG_BLUE : LOG_RED);
    QCOMPARE(bench.driver.statusText(), "ROM file refused: " + reason);
    QVERIFY(bench.unit.frames().isEmpty());
    QCOMPARE(ModemLineRecorder::events(bench.unit.portPath()).size(), lineChangesBefore);
    QVERIFY(!bench.window.busy);
    QVERIFY(bench.answerer.boxes().isEmpty());

    if (eraseAfter) {
        QTest::mouseClick(bench.window.eraseButton, Qt::LeftButton);
        QCOMPARE(LogTexts(bench.window.progressTextEdit).last(), QString("[Erase Hanlder] Reset success"));
    }
}

void TestRomFiles::readErrorPartWayIsRefused()
{
    const QByteArray content = SampleLines().file({0, 1, 2, 3, 4, 5});
    FailingBuffer file;
    file.setData(content);
    file.failAt = content.indexOf('\n', content.indexOf('\n') + 1) + 1;
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    RomImage image;
    QString reason;
    QVERIFY(!ParseRomImage(file, &image, &reason));
    QCOMPARE(reason, QString("read error after line 2: Input/output error"));
}

void TestRomFiles::openingNeverWaits_data()
{
    QTest::addColumn<QString>("path");

    const QString fifo = directory.filePath("fifo to open");
    QFile::remove(fifo);
    QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QTest::newRow("fifo without a writer") << fifo;
    QTest::newRow("device") << "/dev/null";
}

// A name that has become a FIFO or a device since the window looked at it: the open returns
// at once with a refusal instead of freezing the window.
void TestRomFiles::openingNeverWaits()
{
    QFETCH(QString, path);

    std::promise<QString> outcome;
    std::future<QString> reason = outcome.get_future();
    std::thread opening([&path, &outcome] {
        QFile file(path);
        QString why;
        outcome.set_value(OpenRegularFile(file, &why) ? "opened" : why);
    });
    if (reason.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        // A writer releases an open that waits for one, so that the thread can end.
        const int writer = open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        opening.join();
        close(writer);
        QFAIL(qPrintable("opening " + path + " did not return within 10 s"));
    }
    opening.join();
    QCOMPARE(reason.get(), QString("not a regular file"));
}

QTEST_MAIN(TestRomFiles)
#include "tst_romfiles.moc"
