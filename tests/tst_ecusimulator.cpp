#include "ecusimulator.h"
#include "support/modemlinerecorder.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>
#include <QtTest>

#include <chrono>
#include <memory>

// Requests are built here byte by byte, so that the simulator is checked against the frame
// tables rather than against its own encoder.
namespace {

constexpr quint8 Jump = 0x10;
constexpr quint8 Verify = 0x11;
constexpr quint8 Erase = 0x12;
constexpr quint8 FlashData = 0x13;
constexpr quint8 Reset = 0x14;
constexpr quint8 FlashStart = 0x15;
constexpr quint8 FlashEnd = 0x16;

constexpr int Refused = 0xF0;
constexpr int BadChecksum = 0xF1;
constexpr int NoResetPulse = 0xF2;
constexpr int UnknownCommand = 0xF3;
constexpr int VerifyFailed = 0xF4;

constexpr int ImageSize = 16384;

QByteArray withChecksum(QByteArray bytes)
{
    quint32 sum = 0;
    for (char byte : qAsConst(bytes))
        sum += quint8(byte);
    const quint16 field = quint16(0u - sum);
    bytes.append(2, '\0');
    bytes.append(char(field >> 8));
    bytes.append(char(field & 0xFF));
    return bytes;
}

QByteArray commandFrame(quint8 code)
{
    return withChecksum(QByteArray::fromHex("014005") + char(code));
}

QByteArray dataFrame(quint8 code, quint32 address, const QByteArray &image)
{
    QByteArray frame = QByteArray::fromHex("0140FF") + char(code);
    char addressBytes[4];
    qToLittleEndian(address, addressBytes);
    frame.append(addressBytes, 4);
    frame.append(image);
    frame.append(16392 - frame.size(), '\0');
    return withChecksum(frame);
}

QByteArray answer(quint8 status)
{
    return withChecksum(QByteArray(3, '\0') + char(status));
}

QByteArray image(int seed)
{
    QByteArray bytes(ImageSize, '\0');
    for (int i = 0; i < ImageSize; ++i)
        bytes[i] = char(seed * 31 + i * 7 + (i >> 9));
    return bytes;
}

qint64 steadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

class TestEcuSimulator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void answersJumpWithFixedBytesAndRecordsIt();
    void refusesEverythingButJumpUntilJumped();
    void walksThroughAFlashSession();
    void rejectsBadChecksumsAndUnknownCodes();
    void resynchronisesAfterNoise();
    void keepsWrittenMemoryAndSavesItAsIntelHex();
    void silentAndDelayedAnswers();
    void answersInPiecesWithGaps();
    void corruptsAnswersOnDemand();
    void faultsDataFramesByIndexSinceFlashStart();
    void sendsStaleBytesAtOnce();
    void hangsUpTheLine();
    void pacesBothDirectionsToTheLineRate();
    void emulatesAndRecordsModemLines();
    void gatesJumpOnTheResetPulse();

private:
    void openPort();
    QByteArray exchange(const QByteArray &request, int waitMs = 3000);
    QByteArray collect(int wanted, int waitMs);
    // Byte 3 of a well-formed answer, -1 for anything else.
    int statusOf(const QByteArray &request);
    void pulseResetLines();

    std::unique_ptr<EcuSimulator> m_sim;
    std::unique_ptr<QSerialPort> m_port;
};

void TestEcuSimulator::init()
{
    m_sim = std::make_unique<EcuSimulator>();
    QVERIFY2(m_sim->start(), qPrintable(m_sim->errorString()));
    openPort();
}

void TestEcuSimulator::cleanup()
{
    m_port.reset();
    m_sim.reset();
}

void TestEcuSimulator::openPort()
{
    m_port = std::make_unique<QSerialPort>();
    m_port->setPortName(m_sim->portPath());
    QVERIFY2(m_port->open(QIODevice::ReadWrite), qPrintable(m_port->errorString()));
}

QByteArray TestEcuSimulator::exchange(const QByteArray &request, int waitMs)
{
    m_port->clear();
    m_port->write(request);
    return collect(8, waitMs);
}

QByteArray TestEcuSimulator::collect(int wanted, int waitMs)
{
    QByteArray received;
    QElapsedTimer timer;
    timer.start();
    while (received.size() < wanted) {
        const qint64 left = waitMs - timer.elapsed();
        if (left <= 0 || !m_port->waitForReadyRead(int(left)))
            break;
        received += m_port->readAll();
    }
    return received;
}

int TestEcuSimulator::statusOf(const QByteArray &request)
{
    const QByteArray received = exchange(request);
    if (received.size() != 8 || withChecksum(received.left(4)) != received)
        return -1;
    return quint8(received.at(3));
}

void TestEcuSimulator::pulseResetLines()
{
    QVERIFY(m_port->setDataTerminalReady(true));
    QVERIFY(m_port->setRequestToSend(true));
    QVERIFY(m_port->setRequestToSend(false));
}

void TestEcuSimulator::answersJumpWithFixedBytesAndRecordsIt()
{
    const qint64 before = steadyNowMs();
    QCOMPARE(exchange(QByteArray::fromHex("01 40 05 10 00 00 FF AA")), QByteArray::fromHex("00 00 00 80 00 00 FF 80"));
    QCOMPARE(exchange(commandFrame(Verify)), answer(VerifyFailed));
    const qint64 after = steadyNowMs();

    const auto frames = m_sim->frames();
    QCOMPARE(frames.size(), 2);
    QCOMPARE(frames[0].command, Jump);
    QCOMPARE(frames[0].bytes, commandFrame(Jump));
    QVERIFY(frames[0].checksumOk);
    QCOMPARE(frames[0].answeredStatus, 0x80);
    QCOMPARE(frames[1].command, Verify);
    QCOMPARE(frames[1].answeredStatus, VerifyFailed);
    QVERIFY(frames[0].atMs >= before);
    QVERIFY(frames[1].atMs >= frames[0].atMs);
    QVERIFY(frames[1].atMs <= after);
    QVERIFY(!m_sim->waitForFrames(3, 50));
}

void TestEcuSimulator::refusesEverythingButJumpUntilJumped()
{
    for (quint8 code : {Verify, Erase, FlashStart, Reset})
        QCOMPARE(statusOf(commandFrame(code)), Refused);
    QCOMPARE(statusOf(dataFrame(FlashData, 0x80000, image(1))), Refused);
    QCOMPARE(m_sim->state(), EcuSimulator::State::Application);

    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QCOMPARE(m_sim->state(), EcuSimulator::State::Bootloader);
    QCOMPARE(statusOf(dataFrame(FlashEnd, 0x80000, image(1))), Refused);
    QVERIFY(m_sim->writtenRanges().isEmpty());

    QCOMPARE(statusOf(commandFrame(Reset)), 0x84);
    QCOMPARE(m_sim->state(), EcuSimulator::State::Application);
    QCOMPARE(statusOf(commandFrame(Erase)), Refused);
}

void TestEcuSimulator::walksThroughAFlashSession()
{
    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QCOMPARE(statusOf(commandFrame(Erase)), 0x82);
    QCOMPARE(statusOf(commandFrame(FlashStart)), 0x85);
    QCOMPARE(m_sim->state(), EcuSimulator::State::Programming);
    QCOMPARE(statusOf(commandFrame(Verify)), VerifyFailed);

    QCOMPARE(statusOf(dataFrame(FlashData, 0x80000, image(1))), 0x83);
    QCOMPARE(statusOf(commandFrame(Verify)), VerifyFailed);
    QCOMPARE(statusOf(dataFrame(FlashEnd, 0x84000, image(2))), 0x86);
    QCOMPARE(statusOf(commandFrame(Verify)), 0x81);

    // An End frame closes the image: a second one is refused.
    QCOMPARE(statusOf(dataFrame(FlashEnd, 0x88000, image(3))), Refused);
    QCOMPARE(m_sim->state(), EcuSimulator::State::Bootloader);
    QCOMPARE(statusOf(commandFrame(Verify)), 0x81);

    QCOMPARE(statusOf(commandFrame(FlashStart)), Refused);
    QCOMPARE(statusOf(commandFrame(Reset)), 0x84);
    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QCOMPARE(statusOf(commandFrame(Verify)), 0x81);

    QCOMPARE(statusOf(commandFrame(Erase)), 0x82);
    QCOMPARE(statusOf(commandFrame(Verify)), VerifyFailed);
    QVERIFY(m_sim->writtenRanges().isEmpty());

    // Jump ends a session.
    QCOMPARE(statusOf(commandFrame(FlashStart)), 0x85);
    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QCOMPARE(statusOf(dataFrame(FlashEnd, 0x80000, image(1))), Refused);
    QCOMPARE(m_sim->state(), EcuSimulator::State::Bootloader);
}

void TestEcuSimulator::rejectsBadChecksumsAndUnknownCodes()
{
    QByteArray badJump = commandFrame(Jump);
    badJump[7] = char(badJump.at(7) + 1);
    QCOMPARE(statusOf(badJump), BadChecksum);
    QCOMPARE(m_sim->state(), EcuSimulator::State::Application);
    QVERIFY(!m_sim->frames().last().checksumOk);

    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QCOMPARE(statusOf(commandFrame(0x17)), UnknownCommand);
    QCOMPARE(statusOf(commandFrame(FlashData)), UnknownCommand);
    QCOMPARE(statusOf(commandFrame(FlashStart)), 0x85);

    QByteArray badData = dataFrame(FlashEnd, 0x80000, image(1));
    badData[100] = char(badData.at(100) ^ 0x40);
    QCOMPARE(statusOf(badData), BadChecksum);
    QVERIFY(m_sim->writtenRanges().isEmpty());
    QCOMPARE(m_sim->frames().last().bytes, badData);
}

void TestEcuSimulator::resynchronisesAfterNoise()
{
    // 55 is no start byte; 01 40 07 is no header; both are dropped a byte at a time.
    QCOMPARE(exchange(QByteArray::fromHex("55 01 40 07") + commandFrame(Jump)), answer(0x80));
    QVERIFY(!m_sim->waitForFrames(2, 100));
    QCOMPARE(m_sim->skippedBytes(), qint64(4));
}

void TestEcuSimulator::keepsWrittenMemoryAndSavesItAsIntelHex()
{
    const QByteArray first = image(1), second = image(2), overlay = image(3);
    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QCOMPARE(statusOf(commandFrame(FlashStart)), 0x85);
    QCOMPARE(statusOf(dataFrame(FlashData, 0x1C000, first)), 0x83);
    QCOMPARE(statusOf(dataFrame(FlashData, 0x20000, second)), 0x83);
    QCOMPARE(statusOf(dataFrame(FlashData, 0x1E000, overlay)), 0x83);
    // Bytes past the top of the address space are dropped.
    QCOMPARE(statusOf(dataFrame(FlashEnd, 0xFFFFF000, first)), 0x86);

    const QVector<QPair<quint32, quint32>> expectedRanges = {{0x1C000, 0x8000}, {0xFFFFF000, 0x1000}};
    QCOMPARE(m_sim->writtenRanges(), expectedRanges);
    QCOMPARE(m_sim->memory(0x1BFFE, 4), QByteArray("\xFF\xFF", 2) + first.left(2));
    QCOMPARE(m_sim->memory(0x1C000, 0x2000), first.left(0x2000));
    QCOMPARE(m_sim->memory(0x1E000, 0x4000), overlay);
    QCOMPARE(m_sim->memory(0x22000, 0x2000), second.mid(0x2000));
    QCOMPARE(m_sim->memory(0x24000, 2), QByteArray("\xFF\xFF", 2));
    QCOMPARE(m_sim->memory(0xFFFFF000, 0x1000), first.left(0x1000));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("flashed.hex"));
    QVERIFY(m_sim->saveIntelHex(path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QCOMPARE(lines.first(), QByteArray(":020000040001F9"));
    QCOMPARE(lines.at(lines.size() - 2), QByteArray(":00000001FF"));
    QVERIFY(lines.last().isEmpty());
    QVERIFY(lines.contains(":020000040002F8"));
    QVERIFY(lines.contains(":02000004FFFFFC"));

    quint32 upper = 0;
    qint64 dataBytes = 0;
    for (const QByteArray &line : lines.mid(0, lines.size() - 2)) {
        QVERIFY(line.startsWith(':'));
        const QByteArray record = QByteArray::fromHex(line.mid(1));
        QCOMPARE(record.size(), 5 + quint8(record.at(0)));
        quint8 sum = 0;
        for (char byte : record)
            sum += quint8(byte);
        QCOMPARE(sum, quint8(0));
        const quint8 type = quint8(record.at(3));
        if (type == 0x04) {
            upper = qFromBigEndian<quint16>(record.constData() + 4);
            continue;
        }
        QCOMPARE(type, quint8(0x00));
        QCOMPARE(quint8(record.at(0)), quint8(16));
        const quint32 address = (upper << 16) | qFromBigEndian<quint16>(record.constData() + 1);
        QCOMPARE(record.mid(4, 16), m_sim->memory(address, 16));
        dataBytes += 16;
    }
    QCOMPARE(dataBytes, qint64(0x9000));
}

void TestEcuSimulator::silentAndDelayedAnswers()
{
    EcuSimulator::Fault silent;
    silent.silent = true;
    m_sim->setCommandFault(Verify, silent);
    EcuSimulator::Fault delayed;
    delayed.delayMs = 300;
    m_sim->setCommandFault(Erase, delayed);

    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QVERIFY(exchange(commandFrame(Verify), 300).isEmpty());
    QCOMPARE(m_sim->frames().last().answeredStatus, -1);

    QElapsedTimer timer;
    timer.start();
    QCOMPARE(statusOf(commandFrame(Erase)), 0x82);
    QVERIFY2(timer.elapsed() >= 295, qPrintable(QString::number(timer.elapsed())));

    m_sim->clearFaults();
    QCOMPARE(statusOf(commandFrame(Verify)), VerifyFailed);
}

void TestEcuSimulator::answersInPiecesWithGaps()
{
    EcuSimulator::Fault fiveThenThree;
    fiveThenThree.pieces = {5, 3};
    fiveThenThree.gapMs = 250;
    m_sim->setCommandFault(Jump, fiveThenThree);
    m_port->write(commandFrame(Jump));
    QCOMPARE(collect(5, 2000), answer(0x80).left(5));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(collect(3, 2000), answer(0x80).mid(5));
    QVERIFY2(timer.elapsed() >= 150, qPrintable(QString::number(timer.elapsed())));

    EcuSimulator::Fault byteByByte;
    byteByByte.pieces = QVector<int>(8, 1);
    byteByByte.gapMs = 40;
    m_sim->setCommandFault(Erase, byteByByte);
    timer.restart();
    QCOMPARE(statusOf(commandFrame(Erase)), 0x82);
    QVERIFY2(timer.elapsed() >= 7 * 40 - 5, qPrintable(QString::number(timer.elapsed())));
}

void TestEcuSimulator::corruptsAnswersOnDemand()
{
    EcuSimulator::Fault extra;
    extra.extraBytes = QByteArray::fromHex("AA BB");
    m_sim->setCommandFault(Jump, extra);
    QCOMPARE(exchange(commandFrame(Jump)) + collect(2, 500), answer(0x80) + QByteArray::fromHex("AA BB"));

    EcuSimulator::Fault wrongChecksum;
    wrongChecksum.wrongChecksum = true;
    m_sim->setCommandFault(Erase, wrongChecksum);
    const QByteArray corrupted = exchange(commandFrame(Erase));
    QCOMPARE(corrupted.size(), 8);
    QCOMPARE(corrupted.left(4), QByteArray::fromHex("00 00 00 82"));
    QVERIFY(corrupted != answer(0x82));

    // A chosen status changes the answer only: the unit still opens the session.
    EcuSimulator::Fault otherStatus;
    otherStatus.status = 0x99;
    m_sim->setCommandFault(FlashStart, otherStatus);
    QCOMPARE(statusOf(commandFrame(FlashStart)), 0x99);
    QCOMPARE(m_sim->state(), EcuSimulator::State::Programming);
    QCOMPARE(m_sim->frames().last().answeredStatus, 0x99);
}

void TestEcuSimulator::faultsDataFramesByIndexSinceFlashStart()
{
    EcuSimulator::Fault silent;
    silent.silent = true;
    m_sim->setDataFrameFault(1, silent);
    EcuSimulator::Fault odd;
    odd.status = 0x55;
    m_sim->setCommandFault(FlashData, odd);

    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QCOMPARE(statusOf(commandFrame(FlashStart)), 0x85);
    QCOMPARE(statusOf(dataFrame(FlashData, 0x80000, image(1))), 0x55);
    QVERIFY(exchange(dataFrame(FlashData, 0x84000, image(2)), 300).isEmpty());
    QCOMPARE(statusOf(dataFrame(FlashEnd, 0x88000, image(3))), 0x86);

    QCOMPARE(statusOf(commandFrame(Erase)), 0x82);
    QCOMPARE(statusOf(commandFrame(FlashStart)), 0x85);
    QCOMPARE(statusOf(dataFrame(FlashData, 0x80000, image(1))), 0x55);
    QVERIFY(exchange(dataFrame(FlashEnd, 0x84000, image(2)), 300).isEmpty());
}

void TestEcuSimulator::sendsStaleBytesAtOnce()
{
    const QByteArray stale = answer(0x80) + "xyz";
    QVERIFY(m_sim->sendRaw(stale));
    QCOMPARE(collect(stale.size(), 1000), stale);
    QVERIFY(m_sim->frames().isEmpty());
}

void TestEcuSimulator::hangsUpTheLine()
{
    m_sim->hangUpAfterFrames(2);
    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QCOMPARE(statusOf(commandFrame(Verify)), VerifyFailed);
    QTRY_VERIFY_WITH_TIMEOUT(!m_sim->isLineOpen(), 1000);
    QVERIFY(!m_port->waitForReadyRead(1000));
    QCOMPARE(m_port->error(), QSerialPort::ReadError);
    QVERIFY(!m_sim->sendRaw("x"));
    m_port.reset();

    QVERIFY(m_sim->start());
    openPort();
    EcuSimulator::Fault hangUp;
    hangUp.hangUp = true;
    m_sim->setCommandFault(Erase, hangUp);
    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QVERIFY(exchange(commandFrame(Erase), 500).isEmpty());
    QCOMPARE(m_sim->frames().last().answeredStatus, -1);
    QTRY_VERIFY_WITH_TIMEOUT(!m_sim->isLineOpen(), 1000);
    m_port.reset();

    QVERIFY(m_sim->start());
    m_sim->hangUpAfterFrames(0);
    QTRY_VERIFY_WITH_TIMEOUT(!m_sim->isLineOpen(), 1000);
}

void TestEcuSimulator::pacesBothDirectionsToTheLineRate()
{
    // 8 bytes take 66.7 ms each way at 1200 baud; the delay starts once the request is in.
    m_sim->setLineRate(1200);
    EcuSimulator::Fault delayed;
    delayed.delayMs = 100;
    m_sim->setCommandFault(Jump, delayed);
    const qint64 sentMs = steadyNowMs();
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    QVERIFY2(timer.elapsed() >= 225, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(m_sim->frames().last().atMs - sentMs >= 65);

    // A data frame takes 1.42 s at 115200 baud.
    m_sim->setLineRate(115200);
    QCOMPARE(statusOf(commandFrame(FlashStart)), 0x85);
    timer.restart();
    QCOMPARE(statusOf(dataFrame(FlashEnd, 0x80000, image(1))), 0x86);
    QVERIFY2(timer.elapsed() >= 1350, qPrintable(QString::number(timer.elapsed())));
}

void TestEcuSimulator::emulatesAndRecordsModemLines()
{
    ModemLineRecorder::clear();
    const QString path = m_sim->portPath();
    const qint64 before = steadyNowMs();
    pulseResetLines();
    QVERIFY(m_port->isDataTerminalReady());
    QVERIFY(!m_port->isRequestToSend());
    QCOMPARE(m_port->error(), QSerialPort::NoError);

    const auto events = ModemLineRecorder::events(path);
    QCOMPARE(events.size(), 3);
    const QVector<QPair<bool, bool>> expected = {{true, false}, {true, true}, {true, false}};
    for (int i = 0; i < events.size(); ++i) {
        QCOMPARE(qMakePair(events[i].dtr, events[i].rts), expected[i]);
        QCOMPARE(events[i].portPath, path);
        QVERIFY(events[i].atMs >= before);
    }
    QVERIFY(ModemLineRecorder::events(path + QLatin1Char('9')).isEmpty());
    QVERIFY(ModemLineRecorder::resetPulseSince(path, before));
    QVERIFY(!ModemLineRecorder::resetPulseSince(path, steadyNowMs() + 1));

    // RTS raised and dropped with DTR off is no reset pulse.
    ModemLineRecorder::clear();
    QVERIFY(ModemLineRecorder::events().isEmpty());
    QVERIFY(m_port->setDataTerminalReady(false));
    QVERIFY(m_port->setRequestToSend(true));
    QVERIFY(m_port->setRequestToSend(false));
    QCOMPARE(ModemLineRecorder::events(path).size(), 3);
    QVERIFY(!ModemLineRecorder::resetPulseSince(path, before));
}

void TestEcuSimulator::gatesJumpOnTheResetPulse()
{
    ModemLineRecorder::clear();
    const QString path = m_sim->portPath();
    m_sim->setJumpGate([path](qint64 sinceMs) { return ModemLineRecorder::resetPulseSince(path, sinceMs); });

    QCOMPARE(statusOf(commandFrame(Jump)), NoResetPulse);
    QCOMPARE(m_sim->state(), EcuSimulator::State::Application);
    QThread::msleep(5);
    pulseResetLines();
    QThread::msleep(5);
    QCOMPARE(statusOf(commandFrame(Jump)), 0x80);
    // The pulse came before the last Jump, so it does not count again.
    QCOMPARE(statusOf(commandFrame(Jump)), NoResetPulse);
    QCOMPARE(m_sim->state(), EcuSimulator::State::Bootloader);
}

QTEST_GUILESS_MAIN(TestEcuSimulator)
#include "tst_ecusimulator.moc"
