#include <QtTest>

#include "rom/imagesummary.h"
#include "rom/romimage.h"

// An Intel HEX text of 16-byte zero records from address 0 over `pages` whole 64 KiB pages,
// made as it is read: a file of that size need not be written.
class ZeroPages : public QIODevice
{
public:
    explicit ZeroPages(int pages)
        : pages(pages)
    {
        for (int address = 0; address < 0x10000; address += 16) {
            const quint8 sum = quint8(0x10 + (address >> 8) + (address & 0xFF));
            page += QString(":10%1%2%3\n")
                        .arg(address, 4, 16, QChar('0'))
                        .arg("00" + QString(32, '0'))
                        .arg(quint8(-sum), 2, 16, QChar('0'))
                        .toUpper()
                        .toLatin1();
        }
        open(QIODevice::ReadOnly);
    }
    // Each page's address record takes 16 characters, the end record 12.
    qint64 size() const override { return qint64(pages) * (16 + page.size()) + 12; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (offset == pending.size() && made <= pages) {
            offset = 0;
            if (made < pages) {
                const quint8 sum = quint8(0x02 + 0x04 + (made >> 8) + (made & 0xFF));
                pending = QString(":02000004%1%2\n")
                              .arg(made, 4, 16, QChar('0'))
                              .arg(quint8(-sum), 2, 16, QChar('0'))
                              .toUpper()
                              .toLatin1()
                    + page;
            } else {
                pending = ":00000001FF\n";
            }
            ++made;
        }
        const qint64 taken = qMin<qint64>(maxSize, pending.size() - offset);
        memcpy(data, pending.constData() + offset, size_t(taken));
        offset += int(taken);
        return taken;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    int pages;
    int made = 0;
    int offset = 0;
    QByteArray page;
    QByteArray pending;
};

// The figures a technician compares an image by, before it is sent.
class TestImageSummary : public QObject
{
    Q_OBJECT

private slots:
    void summaryLine_data();
    void summaryLine();
    void timeLeft_data();
    void timeLeft();
    void imagesUpTo256MiBOnly();
};

void TestImageSummary::summaryLine_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("expected");

    QTest::newRow("one byte into a second frame, at 115200 baud")
        << 0x80000u << 16385 << 115200
        << "CRC-32 24EB6C10, 0x00080000 to 0x00084000, 16385 bytes, 2 data frames, 0:03 on the wire at 115200 baud";
    QTest::newRow("one frame at the top of the address space")
        << 0xFFFFC000u << 16384 << 9600
        << "CRC-32 50A5C68F, 0xFFFFC000 to 0xFFFFFFFF, 16384 bytes, 1 data frame, 0:17 on the wire at 9600 baud";
    QTest::newRow("an hour and more at 1200 baud")
        << 0x0u << 30 * 16384 << 1200
        << "CRC-32 22128EEA, 0x00000000 to 0x00077FFF, 491520 bytes, 30 data frames, 1:08:21 on the wire at 1200 baud";
}

void TestImageSummary::summaryLine()
{
    QFETCH(quint32, address);
    QFETCH(int, size);
    QFETCH(int, baud);
    QFETCH(QString, expected);

    // The CRCs are zlib's for these bytes.
    const RomImage image{address, QByteArray(size, '\x5A')};
    QCOMPARE(SummaryText(SummarizeImage(image), baud), expected);
}

void TestImageSummary::timeLeft_data()
{
    QTest::addColumn<int>("done");
    QTest::addColumn<qint64>("doneMs");
    QTest::addColumn<qint64>("sinceMs");
    QTest::addColumn<qint64>("leftMs");

    // 16 frames at 115200 baud; one takes the line 1424 ms with its answer.
    QTest::newRow("before the first frame: the line rate") << 0 << qint64(0) << qint64(0) << qint64(16 * 1424);
    QTest::newRow("a unit slower than the line: its pace")
        << 4 << qint64(4 * 3000) << qint64(1000) << qint64(12 * 3000 - 1000);
    QTest::newRow("never faster than the line") << 4 << qint64(4) << qint64(500) << qint64(12 * 1424 - 500);
    QTest::newRow("a frame overdue counts as one under way")
        << 4 << qint64(4 * 1500) << qint64(9000) << qint64(11 * 1500);
}

void TestImageSummary::timeLeft()
{
    QFETCH(int, done);
    QFETCH(qint64, doneMs);
    QFETCH(qint64, sinceMs);
    QFETCH(qint64, leftMs);
    QCOMPARE(TransferTimeLeftMs(done, 16, doneMs, sinceMs, 115200), leftMs);
}

// 256 MiB is 4096 pages; one more record is refused on its line.
void TestImageSummary::imagesUpTo256MiBOnly()
{
    RomImage image;
    QString reason;
    ZeroPages onePage(1);
    QVERIFY2(ParseRomImage(onePage, &image, &reason), qPrintable(reason));
    QCOMPARE(image.bytes, QByteArray(0x10000, '\0'));

    ZeroPages overTheLimit(4097);
    QVERIFY(!ParseRomImage(overTheLimit, &image, &reason));
    // Each page is its address record and 4096 data records.
    QCOMPARE(reason, QString("line %1: image larger than 256 MiB").arg(4096 * 4097 + 2));
}

QTEST_GUILESS_MAIN(TestImageSummary)
#include "tst_imagesummary.moc"
