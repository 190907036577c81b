#include "rom/romimage.h"

#include <QBuffer>
#include <QtTest>

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

QByteArray Bytes(quint16 offset, int count)
{
    QByteArray data;
    for (int i = 0; i < count; ++i)
        data.append(char(offset + i));
    return data;
}

QByteArray Data(quint16 offset, int count = MAX_RECORD_DATA)
{
    return Record(DataRecord, offset, Bytes(offset, count));
}

QByteArray Ela(quint16 upper)
{
    return Record(ExtendedLinearAddressRecord, 0, QByteArray().append(char(upper >> 8)).append(char(upper)));
}

const QByteArray Eof = Record(EndOfFileRecord, 0, {});

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

} // namespace

// What the check makes of a file's text; the window-level refusals are in tst_flashfailures.
class TestRomImage : public QObject
{
    Q_OBJECT

private slots:
    void checksFile_data();
    void checksFile();
    void readErrorIsNotTheEnd();
};

void TestRomImage::checksFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");

    const QByteArray image = Ela(0x0008) + Data(0x00) + Data(0x10) + Eof;
    const QByteArray bytes = Bytes(0, 32);
    QTest::newRow("image at 0x80000") << image << 0x80000u << bytes << "";
    QTest::newRow("CR LF") << QByteArray(image).replace("\n", "\r\n") << 0x80000u << bytes << "";
    QTest::newRow("lower case") << image.toLower() << 0x80000u << bytes << "";
    QTest::newRow("last line end missing") << image.chopped(1) << 0x80000u << bytes << "";
    QTest::newRow("records of 1, 7 and 8 bytes")
        << Data(0x20, 1) + Data(0x21, 7) + Data(0x28, 8) + Eof << 0x20u << Bytes(0x20, 16) << "";
    QTest::newRow("start addresses and empty data records ignored")
        << Record(0x03, 0, Bytes(0, 4)) + Data(0x40) + Data(0x70, 0) + Record(0x05, 0, Bytes(0, 4)) + Eof
        << 0x40u << Bytes(0x40, 16) << "";
    QTest::newRow("contiguous across a 64 KiB page")
        << Ela(0x0001) + Data(0xFFF0) + Ela(0x0002) + Record(DataRecord, 0, Bytes(0, 4)) + Eof << 0x1FFF0u
        << Bytes(0xFFF0, 16) + Bytes(0, 4) << "";

    QTest::newRow("gap after a page change")
        << Ela(0x0001) + Data(0xFFF0) + Ela(0x0003) + Data(0x0000) + Eof << 0u << QByteArray()
        << "line 4: address 0x00030000 does not follow 0x0001FFFF";
    QTest::newRow("runs past the address space")
        << Ela(0xFFFF) + Data(0xFFF8) + Eof << 0u << QByteArray() << "line 2: data runs past address 0xFFFFFFFF";
    QTest::newRow("record after end of file") << image + Data(0x20) << 0u << QByteArray()
                                              << "line 5: a line after the End Of File record";
    QTest::newRow("odd digit count") << QByteArray(":123\n") + Eof << 0u << QByteArray()
                                     << "line 1: is not ':' followed by pairs of hex digits";
    QTest::newRow("empty file") << QByteArray() << 0u << QByteArray() << "no data record";
}

void TestRomImage::checksFile()
{
    QFETCH(QByteArray, content);
    QFETCH(quint32, start);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);

    QBuffer file(&content);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    RomImage image;
    QString why;
    QCOMPARE(ParseRomImage(file, &image, &why), reason.isEmpty());
    QCOMPARE(why, reason);
    QCOMPARE(image.startAddress, start);
    QCOMPARE(image.bytes, bytes);
}

void TestRomImage::readErrorIsNotTheEnd()
{
    const QByteArray content = Ela(0x0008) + Data(0x00) + Data(0x10) + Eof;
    FailingDevice failing(content, Ela(0x0008).size() + Data(0).size());
    QVERIFY(failing.open(QIODevice::ReadOnly | QIODevice::Text));
    RomImage image;
    QString why;
    QVERIFY(!ParseRomImage(failing, &image, &why));
    QVERIFY2(why.startsWith("read error after line 2"), qPrintable(why));
    QVERIFY(image.bytes.isEmpty());
}

QTEST_GUILESS_MAIN(TestRomImage)
#include "tst_romimage.moc"
