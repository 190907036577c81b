#include <QtTest>

#include "rom/imagesummary.h"
#include "rom/romimage.h"

// The figures a technician compares an image by, before it is sent.
class TestImageSummary : public QObject
{
    Q_OBJECT

private slots:
    void digestsMatchTheCommonTools();
    void summaryLine_data();
    void summaryLine();
    void timeLeft_data();
    void timeLeft();
};

void TestImageSummary::digestsMatchTheCommonTools()
{
    // The check values of zlib's crc32 and of sha256sum for these nine bytes.
    const RomImage image{0x80000, "123456789"};
    const ImageSummary summary = SummarizeImage(image);
    QCOMPARE(Crc32Text(summary.crc32), QString("CBF43926"));
    QCOMPARE(summary.sha256.toHex(), QByteArray("15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225"));
    QCOMPARE(Crc32(QByteArray()), 0u);
}

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

QTEST_GUILESS_MAIN(TestImageSummary)
#include "tst_imagesummary.moc"
