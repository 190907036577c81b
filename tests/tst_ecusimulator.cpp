#include "ecusimulator.h"
#include "support/modemlinerecorder.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QThread>
#include <QtEndian>
#include <QtTest>

#include <memory>

// Requests are built here byte by byte, so that the simulator is checked against the frame
// tables rather than against its own encoder.
namespace {

constexpr quint8 Jump = 0x10, Verify = 0x11, Erase = 0x12, Data = 0x13, Reset = 0x14, Start = 0x15, End = 0x16;
constexpr int Refused = 0xF0, BadChecksum = 0xF1, NoResetPulse = 0xF2, UnknownCommand = 0xF3,
              VerifyFailed = 0xF4;

QByteArray withChecksum(QByteArray bytes)
{
    quint32 sum = 0;
    for (char byte : qAsConst(bytes))
        sum += quint8(byte);
    const quint16 field = quint16(0u - sum);
    return bytes + QByteArray(2, '\0') + char(field >> 8) + char(field & 0xFF);
}

QByteArray answer(quint8 status)
{
    return withChecksum(QByteArray(3, '\0') + char(status));
}

// A command frame for the command codes, a data frame of a 16 KiB image for 0x13 and 0x16.
QByteArray request(quint8 code, quint32 address = 0, char fill = 'A')
{
    if (code != Data && code != End)
        return withChecksum(QByteArray::fromHex("014005") + char(code));
    char addressBytes[4];
    qToLittleEndian(address, addressBytes);
    return withChecksum(QByteArray::fromHex("0140FF") + char(code) + QByteArray(addressBytes, 4)
                        + QByteArray(16384, fill));
}

struct Step {
    QByteArray request;
    int status;
};

} // namespace

Q_DECLARE_METATYPE(QVector<Step>)
Q_DECLARE_METATYPE(EcuSimulator::Fault)

// Checks the simulator where its leniency would let a fault of the tool pass: the order of
// requests, the checksum, the Verify rule, addresses in memory, answer timing and the
// reset pulse. Where it fails outright, the tool's own tests fail with it.

class TestEcuSimulator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sessions_data();
    void sessions();
    void keepsWrittenMemory();
    void timesTheAnswers_data();
    void timesTheAnswers();
    void faultsDataFramesByIndexSinceFlashStart();
    void sendsStaleBytes();
    void gatesJumpOnTheResetPulse();

private:
    QByteArray collect(const QByteArray &sent, int wanted, int waitMs = 3000);
    int statusOf(const QByteArray &sent);

    std::unique_ptr<EcuSimulator> sim;
    std::unique_ptr<QSerialPort> port;
};

void TestEcuSimulator::init()
{
    sim = std::make_unique<EcuSimulator>();
    QVERIFY2(sim->start(), qPrintable(sim->errorString()));
    port = std::make_unique<QSerialPort>(sim->portPath());
    QVERIFY2(port->open(QIODevice::ReadWrite), qPrintable(port->errorString()));
}

void TestEcuSimulator::cleanup()
{
    port.reset();
    sim.reset();
}

QByteArray TestEcuSimulator::collect(const QByteArray &sent, int wanted, int waitMs)
{
    port->write(sent);
    QByteArray received;
    QElapsedTimer timer;
    timer.start();
    while (received.size() < wanted && timer.elapsed() < waitMs
           && port->waitForReadyRead(waitMs - int(timer.elapsed())))
        received += port->readAll();
    return received;
}

// Byte 3 of a well-formed answer, -1 for anything else.
int TestEcuSimulator::statusOf(const QByteArray &sent)
{
    const QByteArray received = collect(sent, 8);
    return received.size() == 8 && withChecksum(received.left(4)) == received ? quint8(received.at(3)) : -1;
}

void TestEcuSimulator::sessions_data()
{
    QByteArray badJump = request(Jump);
    badJump[7] = char(badJump.at(7) + 1);
    QByteArray badData = request(End, 0x80000);
    badData[100] = char(badData.at(100) ^ 0x40);

    QTest::addColumn<QVector<Step>>("steps");
    QTest::addColumn<int>("finalState");
    QTest::newRow("refused until jumped")
        << QVector<Step>{{request(Verify), Refused}, {request(Erase), Refused}, {request(Start), Refused},
                         {request(Reset), Refused}, {request(Data, 0x80000), Refused}, {request(Jump), 0x80},
                         {request(End, 0x80000), Refused}, {request(Reset), 0x84}, {request(Erase), Refused}}
        << int(EcuSimulator::State::Application);
    QTest::newRow("flash sessions, closed by an End frame, ended by Jump")
        << QVector<Step>{{request(Jump), 0x80}, {request(Erase), 0x82}, {request(Start), 0x85},
                         {request(Verify), VerifyFailed}, {request(Data, 0x80000), 0x83},
                         {request(Verify), VerifyFailed}, {request(End, 0x84000), 0x86}, {request(Verify), 0x81},
                         {request(Data, 0x88000), Refused}, {request(End, 0x88000), Refused},
                         {request(Verify), 0x81}, {request(Start), Refused}, {request(Reset), 0x84},
                         {request(Jump), 0x80}, {request(Verify), 0x81}, {request(Erase), 0x82},
                         {request(Verify), VerifyFailed}, {request(Start), 0x85}, {request(Jump), 0x80},
                         {request(End, 0x80000), Refused}}
        << int(EcuSimulator::State::Bootloader);
    QTest::newRow("bad checksums and unknown codes")
        << QVector<Step>{{badJump, BadChecksum}, {request(Jump), 0x80},
                         {withChecksum(QByteArray::fromHex("01400517")), UnknownCommand},
                         {withChecksum(QByteArray::fromHex("01400513")), UnknownCommand},
                         {request(Start), 0x85}, {badData, BadChecksum}}
        << int(EcuSimulator::State::Programming);
}

void TestEcuSimulator::sessions()
{
    QFETCH(QVector<Step>, steps);
    QFETCH(int, finalState);
    for (const Step &step : steps)
        QCOMPARE(statusOf(step.request), step.status);
    QCOMPARE(int(sim->state()), finalState);
    QCOMPARE(sim->frames().size(), steps.size());
    QCOMPARE(sim->frames().last().bytes, steps.last().request);
    if (finalState != int(EcuSimulator::State::Bootloader))
        QVERIFY(sim->writtenRanges().isEmpty());
}

void TestEcuSimulator::keepsWrittenMemory()
{
    QCOMPARE(collect(request(Jump), 8), QByteArray::fromHex("00 00 00 80 00 00 FF 80"));
    QCOMPARE(statusOf(request(Start)), 0x85);
    QCOMPARE(statusOf(request(Data, 0x1C000, 'a')), 0x83);
    QCOMPARE(statusOf(request(Data, 0x20000, 'b')), 0x83);
    QCOMPARE(statusOf(request(Data, 0x1E000, 'c')), 0x83);
    // Bytes past the top of the address space are dropped.
    QCOMPARE(statusOf(request(End, 0xFFFFF000, 'd')), 0x86);

    const QVector<QPair<quint32, quint32>> ranges = {{0x1C000, 0x8000}, {0xFFFFF000, 0x1000}};
    QCOMPARE(sim->writtenRanges(), ranges);
    QCOMPARE(sim->memory(0x1BFFF, 0x8002), QByteArray("\xFF") + QByteArray(0x2000, 'a') + QByteArray(0x4000, 'c')
                                               + QByteArray(0x2000, 'b') + QByteArray("\xFF"));
    QCOMPARE(sim->memory(0xFFFFF000, 0x1000), QByteArray(0x1000, 'd'));
}

void TestEcuSimulator::timesTheAnswers_data()
{
    QTest::addColumn<EcuSimulator::Fault>("fault");
    QTest::addColumn<int>("lineRate");
    QTest::addColumn<int>("minimumMs");
    QTest::addColumn<int>("firstReadAtMost");
    EcuSimulator::Fault fault;
    fault.delayMs = 300;
    QTest::newRow("delayed") << fault << 0 << 295 << 8;
    fault = {};
    fault.pieces = {5};
    fault.gapMs = 250;
    QTest::newRow("in pieces") << fault << 0 << 245 << 5;
    // 8 bytes take 66.7 ms each way at 1200 baud.
    QTest::newRow("paced at 1200 baud") << EcuSimulator::Fault() << 1200 << 130 << 8;
}

void TestEcuSimulator::timesTheAnswers()
{
    QFETCH(EcuSimulator::Fault, fault);
    QFETCH(int, lineRate);
    QFETCH(int, minimumMs);
    QFETCH(int, firstReadAtMost);
    sim->setCommandFault(Jump, fault);
    sim->setLineRate(lineRate);
    QElapsedTimer timer;
    timer.start();
    const QByteArray first = collect(request(Jump), 1);
    QVERIFY(first.size() <= firstReadAtMost);
    QCOMPARE(first + collect(QByteArray(), 8 - first.size()), answer(0x80));
    QVERIFY2(timer.elapsed() >= minimumMs, qPrintable(QString::number(timer.elapsed())));
}

void TestEcuSimulator::faultsDataFramesByIndexSinceFlashStart()
{
    EcuSimulator::Fault silent;
    silent.silent = true;
    sim->setDataFrameFault(1, silent);
    EcuSimulator::Fault odd;
    odd.status = 0x55;
    sim->setCommandFault(Data, odd);

    QCOMPARE(statusOf(request(Jump)), 0x80);
    for (int session = 0; session < 2; ++session) {
        QCOMPARE(statusOf(request(Erase)), 0x82);
        QCOMPARE(statusOf(request(Start)), 0x85);
        QCOMPARE(statusOf(request(Data, 0x80000)), 0x55);
        QVERIFY(collect(request(Data, 0x84000), 1, 300).isEmpty());
        QCOMPARE(statusOf(request(End, 0x88000)), 0x86);
    }
}

void TestEcuSimulator::sendsStaleBytes()
{
    const QByteArray stale = answer(0x80) + "xyz";
    QVERIFY(sim->sendRaw(stale));
    QCOMPARE(collect(QByteArray(), stale.size()), stale);
    QVERIFY(sim->frames().isEmpty());
}

void TestEcuSimulator::gatesJumpOnTheResetPulse()
{
    ModemLineRecorder::clear();
    const QString path = sim->portPath();
    sim->setJumpGate([path](qint64 sinceMs) { return ModemLineRecorder::resetPulseSince(path, sinceMs); });
    QCOMPARE(statusOf(request(Jump)), NoResetPulse);

    // RTS raised and dropped with DTR off is no reset pulse; with DTR on it is, once.
    for (bool dtr : {false, true}) {
        QThread::msleep(5);
        QVERIFY(port->setDataTerminalReady(dtr));
        QVERIFY(port->setRequestToSend(true));
        QVERIFY(port->setRequestToSend(false));
        QThread::msleep(5);
        QCOMPARE(statusOf(request(Jump)), dtr ? 0x80 : NoResetPulse);
    }
    QCOMPARE(statusOf(request(Jump)), NoResetPulse);
}

QTEST_GUILESS_MAIN(TestEcuSimulator)
#include "tst_ecusimulator.moc"
