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
    void responseChecks_data();
    void responseChecks();
};

void TestBootProtocol::frames_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QByteArray>("data"); // null: no data at all
    QTest::addColumn<int>("length");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QString>("warning");

    // Command frames ignore whatever data they are given.
    const QByteArray junk = QByteArray::fromHex("010203");
    QTest::newRow("jump") << int(JumpToBootloader) << junk << 3 << QByteArray::fromHex("01400510 0000FFAA") << "";
    QTest::newRow("verify") << int(VerifyApplication) << junk << 3 << QByteArray::fromHex("01400511 0000FFA9") << "";
    QTest::newRow("erase") << int(EraseApplication) << junk << 3 << QByteArray::fromHex("01400512 0000FFA8") << "";
    QTest::newRow("start") << int(FlashApplicationStart) << junk << 3 << QByteArray::fromHex("01400515 0000FFA5") << "";
    QTest::newRow("reset") << int(ResetECU) << junk << 3 << QByteArray::fromHex("01400514 0000FFA6") << "";

    const auto dataFrame = [](const char *header, const QByteArray &data, const char *checksum) {
        return QByteArray::fromHex(header) + data + QByteArray(DATA_AREA_SIZE - data.size(), '\0')
            + QByteArray::fromHex(checksum);
    };
    QTest::newRow("empty flash") << int(FlashApplication) << QByteArray("") << 0
                                 << dataFrame("0140FF13", QByteArray(), "0000FEAD") << "";
    const QByteArray addressAndTwoBytes = QByteArray::fromHex("00000800AA55");
    QTest::newRow("address and two bytes, end") << int(FlashApplicationEnd) << addressAndTwoBytes << 6
                                                << dataFrame("0140FF16", addressAndTwoBytes, "0000FDA3") << "";
    // The byte sum 4179279 exceeds 16 bits: only the low half of the negated sum is sent.
    const QByteArray full(DATA_AREA_SIZE, '\xFF');
    QTest::newRow("full area of FF") << int(FlashApplication) << full << DATA_AREA_SIZE
                                     << dataFrame("0140FF13", full, "00003AB1") << "";

    // Longer than the data area, so that an unchecked copy would run past it.
    const QByteArray source(DATA_AREA_SIZE + 64, '\x5A');
    QTest::newRow("flash, no data") << int(FlashApplication) << QByteArray() << 0 << QByteArray()
                                    << "PrepareFlashApplicationFrame failed";
    QTest::newRow("end, no data") << int(FlashApplicationEnd) << QByteArray() << 0 << QByteArray()
                                  << "PrepareFlashApplicationEndFrame failed";
    QTest::newRow("flash, one byte too many") << int(FlashApplication) << source << DATA_AREA_SIZE + 1 << QByteArray()
                                              << "PrepareFlashApplicationFrame failed";
    QTest::newRow("end, negative length")
        << int(FlashApplicationEnd) << source << -1 << QByteArray() << "PrepareFlashApplicationEndFrame failed";
}

void TestBootProtocol::frames()
{
    QFETCH(int, type);
    QFETCH(QByteArray, data);
    QFETCH(int, length);
    QFETCH(QByteArray, expected);
    QFETCH(QString, warning);

    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
    BootProtocol protocol(static_cast<FrameType>(type));
    const quint8 *bytes = data.isNull() ? nullptr : reinterpret_cast<const quint8 *>(data.constData());
    QCOMPARE(protocol.PrepareFrame(bytes, length), expected);
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
