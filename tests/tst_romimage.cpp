#include "rom/romimage.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <iterator>

namespace {

QByteArray Record(quint8 type, quint16 offset, const QByteArray &data)
{
    QByteArray bytes;
    bytes.append(char(data.size())).append(char(offset >> 8)).append(char(offset));
    bytes.append(char(type)).append(data);
    quint8 sum = 0;
    for (char byte : bytes)
        sum += quint8(byte);
    bytes.append(char(-sum));
    return ':' + bytes.toHex().toUpper() + '\n';
}

QByteArray Data(quint16 offset, int count = MAX_RECORD_DATA)
{
    QByteArray data;
    for (int i = 0; i < count; ++i)
        data.append(char(offset + i));
    return Record(DataRecord, offset, data);
}

QByteArray Ela(quint16 upper)
{
    return Record(ExtendedLinearAddressRecord, 0, QByteArray().append(char(upper >> 8)).append(char(upper)));
}

const QByteArray Eof = Record(EndOfFileRecord, 0, {});

// Contiguous 16-byte records from offset 0, as the tool's images are laid out.
QByteArray Records(int count)
{
    QByteArray lines;
    for (int i = 0; i < count; ++i)
        lines += Data(quint16(i * MAX_RECORD_DATA));
    return lines;
}

// A record line stretched with blanks to the given length, line end included.
QByteArray Padded(const QByteArray &line, int length)
{
    return line.chopped(1).leftJustified(length - 1, ' ') + '\n';
}

} // namespace

// Serves its content up to a point, then fails every read, as a failing disk does.
class FailingDevice : public QIODevice
{
public:
    FailingDevice(const QByteArray &content, qint64 failAt)
        : content(content)
        , failAt(failAt)
    {
    }
    qint64 size() const override { return content.size(); }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (pos() >= failAt)
            return -1;
        const qint64 count = qMin(maxSize, failAt - pos());
        memcpy(data, content.constData() + pos(), size_t(count));
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray content;
    qint64 failAt;
};

class TestRomImage : public QObject
{
    Q_OBJECT

private slots:
    void scansImage_data();
    void scansImage();
    void copiesDataIntoRecordBuffer_data();
    void copiesDataIntoRecordBuffer();
    void readErrorIsNotTheEnd();

private:
    QTemporaryDir dir;
};

void TestRomImage::scansImage_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("end");

    const QByteArray image = Ela(0x0008) + Records(2048) + Eof;
    QTest::newRow("image at 0x80000") << image << true << 0x80000u << 0x87FF0u;
    QTest::newRow("CR LF") << QByteArray(image).replace("\n", "\r\n") << true << 0x80000u << 0x87FF0u;
    QTest::newRow("lower case") << image.toLower() << true << 0x80000u << 0x87FF0u;
    QTest::newRow("last line end missing") << image.chopped(1) << true << 0x80000u << 0x87FF0u;
    QTest::newRow("no extended address") << Records(2048) + Eof << true << 0u << 0x7FF0u;
    QTest::newRow("no end of file") << Ela(0x0008) + Records(4) << true << 0x80000u << 0u;
    QTest::newRow("extended address 0080") << Ela(0x0080) + Data(0x10) << true << 0x800010u << 0u;
    QTest::newRow("extended address 1234") << Ela(0x1234) + Data(0x10) << true << 0x12340010u << 0u;
    QTest::newRow("extended address cut after byte 4")
        << QByteArray(":0200000412\n") + Data(0x10) << true << 0x12000010u << 0u;
    QTest::newRow("extended address cut after byte 3")
        << Ela(0x0008) + ":02000004\n" + Data(0x10) << true << 0x10u << 0u;
    QTest::newRow("other types ignored")
        << Ela(0x0008) + Record(0x02, 0x4000, QByteArray::fromHex("1000")) + Data(0x00)
               + Record(0x05, 0x4000, QByteArray::fromHex("12345678")) + Data(0x10) + Eof + Data(0x20)
               + Record(0x03, 0x4000, QByteArray::fromHex("12345678"))
        << true << 0x80000u << 0x80010u;
    QTest::newRow("extended address between last data and end of file")
        << Data(0x10) + Ela(0x0002) + Eof << true << 0x10u << 0x20010u;
    QTest::newRow("data after end of file, last end of file wins")
        << Ela(0x0008) + Records(2) + Eof + Data(0x9000) + Eof << true << 0x80000u << 0x89000u;
    QTest::newRow("spaces between fields")
        << QByteArray(": 10 1230 00 ") + Data(0x1230).mid(9) << true << 0x1230u << 0u;
    QTest::newRow("short record is data") << Ela(0x0008) + ":1012\n" + Eof << true << 0x81200u << 0x81200u;
    QTest::newRow("odd digit count") << QByteArray(":123\n") << true << 0x2300u << 0u;
    QTest::newRow("98 characters and line end") << Padded(Data(0x1230), 99) << true << 0x1230u << 0u;
    QTest::newRow("split remainder starting with colon")
        << Padded(Data(0x1230), 100).chopped(1) + Eof << true << 0x1230u << 0x1230u;

    QTest::newRow("99 characters and line end") << Padded(Data(0x1230), 100) << false << 0u << 0u;
    QTest::newRow("120 characters") << Records(1) + Padded(Data(0x10), 120) + Eof << false << 0u << 0u;
    QTest::newRow("blank line between records") << Records(1) + "\n" + Records(1) + Eof << false << 0u << 0u;
    QTest::newRow("blank line at end") << image + "\n" << false << 0u << 0u;
    QTest::newRow("missing colon") << Records(1) + Eof.mid(1) << false << 0u << 0u;
    QTest::newRow("only end of file") << Eof << false << 0u << 0u;
    QTest::newRow("byte count 0x11") << Records(2) + Data(0x20, 17) + Eof << false << 0u << 0u;
    QTest::newRow("byte count 0x80") << Records(2) + ":80" + Data(0x20).mid(3) + Eof << false << 0u << 0u;
}

void TestRomImage::scansImage()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, ok);
    QFETCH(quint32, start);
    QFETCH(quint32, end);

    QFile file(dir.filePath("image.rom"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(content), qint64(content.size()));
    file.close();
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));

    RomScan scan;
    QCOMPARE(ScanRomImage(file, &scan), ok);
    if (ok) {
        QCOMPARE(scan.startAddress, start);
        QCOMPARE(scan.endAddress, end);
    }
}

void TestRomImage::copiesDataIntoRecordBuffer_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("copied");

    QTest::newRow("4 bytes") << QByteArray(":04123400AABBCCDDE0\n") << QByteArray::fromHex("AABBCCDD");
    QTest::newRow("none") << Eof << QByteArray();
    QTest::newRow("missing bytes read 0") << QByteArray(":08000000AABB") << QByteArray::fromHex("AABB000000000000");
    QTest::newRow("capped at 16") << Record(DataRecord, 0, QByteArray(32, '\x5A')) << QByteArray(16, '\x5A');
}

void TestRomImage::copiesDataIntoRecordBuffer()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, copied);

    HexRecord record;
    QVERIFY(DecodeRomLine(line, &record));
    quint8 buffer[MAX_RECORD_DATA];
    std::fill(std::begin(buffer), std::end(buffer), 0xEE);
    const int count = record.copyData(buffer);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(buffer), count), copied);
}

void TestRomImage::readErrorIsNotTheEnd()
{
    const QByteArray content = Ela(0x0008) + Records(4) + Eof;
    const qint64 afterTwoRecords = Ela(0x0008).size() + 2 * Data(0).size();
    FailingDevice failing(content, afterTwoRecords);
    QVERIFY(failing.open(QIODevice::ReadOnly | QIODevice::Text));
    RomScan scan;
    QVERIFY(!ScanRomImage(failing, &scan));

    FailingDevice whole(content, content.size());
    QVERIFY(whole.open(QIODevice::ReadOnly | QIODevice::Text));
    QVERIFY(ScanRomImage(whole, &scan));
    QCOMPARE(scan.startAddress, 0x80000u);
}

QTEST_GUILESS_MAIN(TestRomImage)
#include "tst_romimage.moc"
