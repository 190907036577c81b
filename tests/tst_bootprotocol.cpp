#include <QtTest>

#include "protocol/bootprotocol.h"

// Frames are written out byte by byte here, so that the codec is checked against the wire
// format rather than against itself.
class TestBootProtocol : public QObject
{
    Q_OBJECT

private slots:
    void frames_data();
    void frames();
    void refusals_data();
    void refusals();
    void responseChecks_data();
    void responseChecks();
};

void TestBootProtocol::frames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("expected");

    // Command frames ignore whatever data they are given.
    const QByteArray junk = QByteArray::fromHex("010203");
    QTest::newRow("jump") << int(JumpToBootloader) << junk << QByteArray::fromHex("01400510 0000FFAA");
    QTest::newRow("verify") << int(VerifyApplication) << junk << QByteArray::fromHex("01400511 0000FFA9");
    QTest::newRow("erase") << int(EraseApplication) << junk << QByteArray::fromHex("01400512 0000FFA8");
    QTest::newRow("start") << int(FlashApplicationStart) << junk << QByteArray::fromHex("01400515 0000FFA5");
    QTest::newRow("reset") << int(ResetECU) << junk << QByteArray::fromHex("01400514 0000FFA6");

    const auto dataFrame = [](const char *header, const QByteArray &data, const char *checksum) {
        return QByteArray::fromHex(header) + data + QByteArray(DATA_AREA_SIZE - data.size(), '\0')
            + QByteArray::fromHex(checksum);
    };
    QTest::newRow("empty flash") << int(FlashApplication) << QByteArray()
                                 << dataFrame("0140FF13", QByteArray(), "0000FEAD");
    QTest::newRow("address and two bytes, end") << int(FlashApplicationEnd) << QByteArray::fromHex("00000800AA55")
                                                << dataFrame("0140FF16", QByteArray::fromHex("00000800AA55"),
                                                             "0000FDA3");
    // The byte sum 4179279 exceeds 16 bits: only the low half of the negated sum is sent.
    const QByteArray full(DATA_AREA_SIZE, '\xFF');
    QTest::newRow("full area of FF") << int(FlashApplication) << full << dataFrame("0140FF13", full, "00003AB1");
}

void TestBootProtocol::frames()
{
    QFETCH(int, type);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, expected);

    const quint8 empty = 0;
    const quint8 *bytes = data.isEmpty() ? &empty : reinterpret_cast<const quint8 *>(data.constData());
    BootProtocol protocol(static_cast<FrameType>(type));
    QCOMPARE(protocol.PrepareFrame(bytes, data.size()), expected);
}

void TestBootProtocol::refusals_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("nullData");
    QTest::addColumn<int>("length");
    QTest::addColumn<QString>("warning");
    QTest::newRow("flash, null data") << int(FlashApplication) << true << 0 << "PrepareFlashApplicationFrame failed";
    QTest::newRow("end, null data") << int(FlashApplicationEnd) << true << 0
                                    << "PrepareFlashApplicationEndFrame failed";
    QTest::newRow("flash, one byte too many") << int(FlashApplication) << false << DATA_AREA_SIZE + 1
                                              << "PrepareFlashApplicationFrame failed";
    QTest::newRow("end, negative length") << int(FlashApplicationEnd) << false << -1
                                          << "PrepareFlashApplicationEndFrame failed";
    QTest::newRow("type below the range") << 15 << false << 0 << "Protocol type did not match";
    QTest::newRow("type above the range") << 23 << false << 0 << "Protocol type did not match";
}

void TestBootProtocol::refusals()
{
    QFETCH(int, type);
    QFETCH(bool, nullData);
    QFETCH(int, length);
    QFETCH(QString, warning);

    // Longer than the data area, so that an unchecked copy would run past it.
    const QByteArray source(DATA_AREA_SIZE + 64, '\x5A');
    QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    BootProtocol protocol(static_cast<FrameType>(type));
    QVERIFY(protocol.PrepareFrame(nullData ? nullptr : reinterpret_cast<const quint8 *>(source.constData()), length)
                .isEmpty());
}

void TestBootProtocol::responseChecks_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("valid");
    QTest::newRow("positive jump") << QByteArray::fromHex("00000080 0000FF80") << true;
    QTest::newRow("status is the caller's to judge") << QByteArray::fromHex("12345681 0000FEE3") << true;
    QTest::newRow("byte 4 not zero") << QByteArray::fromHex("00000080 0100FF80") << false;
    QTest::newRow("low byte wrong") << QByteArray::fromHex("00000080 0000FF81") << false;
    QTest::newRow("seven bytes") << QByteArray::fromHex("00000080 0000FF") << false;
    QTest::newRow("nine bytes") << QByteArray::fromHex("00000080 0000FF80 00") << false;
}

void TestBootProtocol::responseChecks()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, valid);
    if (response.size() != RESPONSE_FRAME_SIZE)
        QTest::ignoreMessage(QtWarningMsg, "Response is not valid frame");
    BootProtocol protocol(VerifyApplication);
    QCOMPARE(protocol.CheckResponseFrame(response), valid);
}

QTEST_GUILESS_MAIN(TestBootProtocol)
#include "tst_bootprotocol.moc"
