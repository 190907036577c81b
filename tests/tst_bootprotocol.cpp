#include <QtTest>

#include "protocol/bootprotocol.h"
#include "support/messagecapture.h"

class TestBootProtocol : public QObject
{
    Q_OBJECT

private slots:
    void commandFrames_data();
    void commandFrames();
    void dataFrames_data();
    void dataFrames();
    void dataFrameRefusals_data();
    void dataFrameRefusals();
    void unknownTypes();
    void responseChecks_data();
    void responseChecks();
    void checksumOfEdges();
};

void TestBootProtocol::commandFrames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("jump") << int(JumpToBootloader) << QByteArray::fromHex("01400510 0000FFAA");
    QTest::newRow("verify") << int(VerifyApplication) << QByteArray::fromHex("01400511 0000FFA9");
    QTest::newRow("erase") << int(EraseApplication) << QByteArray::fromHex("01400512 0000FFA8");
    QTest::newRow("start") << int(FlashApplicationStart) << QByteArray::fromHex("01400515 0000FFA5");
    QTest::newRow("reset") << int(ResetECU) << QByteArray::fromHex("01400514 0000FFA6");
}

void TestBootProtocol::commandFrames()
{
    QFETCH(int, type);
    QFETCH(QByteArray, expected);
    BootProtocol protocol(static_cast<FrameType>(type));
    const quint8 junk[3] = {1, 2, 3};
    QCOMPARE(protocol.PrepareFrame(junk, 3), expected);
    // Building again gives the same bytes.
    QCOMPARE(protocol.PrepareFrame(nullptr, 0), expected);
}

void TestBootProtocol::dataFrames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("checksumField");
    QTest::newRow("empty flash") << int(FlashApplication) << QByteArray() << QByteArray::fromHex("0140FF13")
                                 << QByteArray::fromHex("0000FEAD");
    QTest::newRow("empty end") << int(FlashApplicationEnd) << QByteArray() << QByteArray::fromHex("0140FF16")
                               << QByteArray::fromHex("0000FEAA");
    // The byte sum 4179279 exceeds 16 bits: only the low half of the negated sum is sent.
    QTest::newRow("full area of FF") << int(FlashApplication) << QByteArray(DATA_AREA_SIZE, '\xFF')
                                     << QByteArray::fromHex("0140FF13") << QByteArray::fromHex("00003AB1");
    QTest::newRow("address and two bytes") << int(FlashApplicationEnd) << QByteArray::fromHex("00000800AA55")
                                           << QByteArray::fromHex("0140FF16") << QByteArray::fromHex("0000FDA3");
}

void TestBootProtocol::dataFrames()
{
    QFETCH(int, type);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, checksumField);

    const quint8 empty = 0;
    const quint8 *bytes = data.isEmpty() ? &empty : reinterpret_cast<const quint8 *>(data.constData());
    BootProtocol protocol(static_cast<FrameType>(type));
    const QByteArray frame = protocol.PrepareFrame(bytes, data.size());

    QCOMPARE(frame.size(), 16396);
    QCOMPARE(frame.left(4), header);
    QCOMPARE(frame.mid(4, data.size()), data);
    QCOMPARE(frame.mid(4 + data.size(), DATA_AREA_SIZE - data.size()),
             QByteArray(DATA_AREA_SIZE - data.size(), '\0'));
    QCOMPARE(frame.right(4), checksumField);
}

void TestBootProtocol::dataFrameRefusals_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("nullData");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("warning");
    QTest::newRow("flash, null data") << int(FlashApplication) << true << 0
                                      << "PrepareFlashApplicationFrame failed";
    QTest::newRow("end, null data") << int(FlashApplicationEnd) << true << 0
                                    << "PrepareFlashApplicationEndFrame failed";
    QTest::newRow("flash, one byte too many") << int(FlashApplication) << false << DATA_AREA_SIZE + 1
                                              << "PrepareFlashApplicationFrame failed";
    QTest::newRow("end, negative length") << int(FlashApplicationEnd) << false << -1
                                          << "PrepareFlashApplicationEndFrame failed";
}

void TestBootProtocol::dataFrameRefusals()
{
    QFETCH(int, type);
    QFETCH(bool, nullData);
    QFETCH(int, length);
    QFETCH(QString, warning);

    // The source is long enough that an unchecked copy would run past the data area.
    const QByteArray source(DATA_AREA_SIZE + 64, '\x5A');
    MessageCapture capture;
    BootProtocol protocol(static_cast<FrameType>(type));
    const QByteArray frame = protocol.PrepareFrame(
        nullData ? nullptr : reinterpret_cast<const quint8 *>(source.constData()), length);
    QVERIFY(frame.isEmpty());
    QCOMPARE(capture.warningLines(), QStringList{warning});
    QCOMPARE(capture.linesWithLocation(), 0);
}

void TestBootProtocol::unknownTypes()
{
    for (int type : {15, 23, 0, -1}) {
        MessageCapture capture;
        BootProtocol protocol(static_cast<FrameType>(type));
        QVERIFY(protocol.PrepareFrame(nullptr, 0).isEmpty());
        QCOMPARE(capture.warningLines(), QStringList{"Protocol type did not match"});
    }
}

void TestBootProtocol::responseChecks_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("warned");
    QTest::newRow("positive jump") << QByteArray::fromHex("00000080 0000FF80") << true << false;
    QTest::newRow("status ignored") << QByteArray::fromHex("12345681 0000FEE3") << true << false;
    QTest::newRow("eight zeros") << QByteArray(8, '\0') << true << false;
    QTest::newRow("byte 4 not zero") << QByteArray::fromHex("00000080 0100FF80") << false << false;
    QTest::newRow("low byte wrong") << QByteArray::fromHex("00000080 0000FF81") << false << false;
    QTest::newRow("seven bytes") << QByteArray::fromHex("00000080 0000FF") << false << true;
    QTest::newRow("nine bytes") << QByteArray::fromHex("00000080 0000FF80 00") << false << true;
    QTest::newRow("empty") << QByteArray() << false << true;
}

void TestBootProtocol::responseChecks()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, valid);
    QFETCH(bool, warned);

    MessageCapture capture;
    BootProtocol protocol(VerifyApplication);
    QCOMPARE(protocol.CheckResponseFrame(response), valid);
    QCOMPARE(capture.warningLines(),
             warned ? QStringList{"Response is not valid frame"} : QStringList{});
}

void TestBootProtocol::checksumOfEdges()
{
    const quint8 one = 0x01;
    QCOMPARE(ComputeChecksum(&one, 0), 0);
    QCOMPARE(ComputeChecksum(&one, 1), -1);
    const quint8 header[4] = {0x01, 0x40, 0x05, 0x10};
    QCOMPARE(ComputeChecksum(header, 4), -0x56);
}

QTEST_GUILESS_MAIN(TestBootProtocol)
#include "tst_bootprotocol.moc"
