#include "protocol/bootprotocol.h"
#include "support/modemlinerecorder.h"
#include "support/unitbench.h"

#include <QElapsedTimer>
#include <QSerialPort>
#include <QThread>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

constexpr int Refused = 0xF0, NoResetPulse = 0xF2, VerifyFailed = 0xF4;

// Built by the tool's codec, which its own test holds to the wire format byte by byte, so
// that the simulator is not checked against its own encoder. Data frames carry 16 KiB.
QByteArray request(FrameType type, quint32 address = 0, char fill = 'A')
{
    QByteArray data(4, '\0');
    qToLittleEndian(address, data.data());
    data += QByteArray(16384, fill);
    return BootProtocol(type).PrepareFrame(reinterpret_cast<const quint8 *>(data.constData()), data.size());
}

struct Step {
    QByteArray request;
    int status;
};

} // namespace

Q_DECLARE_METATYPE(QVector<Step>)
Q_DECLARE_METATYPE(EcuSimulator::Fault)

// Checks the simulator where its leniency would let a fault of the tool pass: the order of
// requests, the Verify rule, addresses in memory, answer timing and the reset pulse. Where
// it fails outright, the tool's own tests fail with it.
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
    const QByteArray received = collect(sent, RESPONSE_FRAME_SIZE);
    const bool valid = received.size() == RESPONSE_FRAME_SIZE && BootProtocol(ResetECU).CheckResponseFrame(received);
    return valid ? quint8(received.at(3)) : -1;
}

void TestEcuSimulator::sessions_data()
{
    const QByteArray jump = request(JumpToBootloader), verify = request(VerifyApplication),
                     erase = request(EraseApplication), start = request(FlashApplicationStart),
                     reset = request(ResetECU), data = request(FlashApplication, 0x80000),
                     end = request(FlashApplicationEnd, 0x84000);
    QTest::addColumn<QVector<Step>>("steps");
    QTest::addColumn<int>("finalState");
    QTest::newRow("refused until jumped")
        << QVector<Step>{{verify, Refused}, {erase, Refused}, {start, Refused}, {reset, Refused}, {data, Refused},
                         {jump, 0x80}, {end, Refused}, {reset, 0x84}, {erase, Refused}}
        << int(EcuSimulator::State::Application);
    QTest::newRow("sessions: an End frame closes the image, Jump ends a session")
        << QVector<Step>{{jump, 0x80}, {erase, 0x82}, {start, 0x85}, {verify, VerifyFailed}, {data, 0x83},
                         {verify, VerifyFailed}, {end, 0x86}, {verify, 0x81}, {data, Refused}, {end, Refused},
                         {verify, 0x81}, {start, Refused}, {reset, 0x84}, {jump, 0x80}, {verify, 0x81},
                         {erase, 0x82}, {verify, VerifyFailed}, {start, 0x85}, {jump, 0x80}, {end, Refused}}
        << int(EcuSimulator::State::Bootloader);
}

void TestEcuSimulator::sessions()
{
    QFETCH(QVector<Step>, steps);
    QFETCH(int, finalState);
    for (const Step &step : steps)
        QCOMPARE(statusOf(step.request), step.status);
    QCOMPARE(int(sim->state()), finalState);
    QCOMPARE(sim->frames().size(), steps.size());
    // Refused frames write nothing, and the last erase cleared what was written.
    QVERIFY(sim->writtenRanges().isEmpty());
}

void TestEcuSimulator::keepsWrittenMemory()
{
    QCOMPARE(statusOf(request(JumpToBootloader)), 0x80);
    QCOMPARE(statusOf(request(FlashApplicationStart)), 0x85);
    QCOMPARE(statusOf(request(FlashApplication, 0x1C000, 'a')), 0x83);
    QCOMPARE(statusOf(request(FlashApplication, 0x20000, 'b')), 0x83);
    QCOMPARE(statusOf(request(FlashApplicationEnd, 0x1E000, 'c')), 0x86);

    QCOMPARE(sim->writtenRanges(), (QVector<QPair<quint32, quint32>>{{0x1C000, 0x8000}}));
    QCOMPARE(sim->memory(0x1BFFF, 0x8002), QByteArray("\xFF") + QByteArray(0x2000, 'a') + QByteArray(0x4000, 'c')
                                               + QByteArray(0x2000, 'b') + QByteArray("\xFF"));
}

void TestEcuSimulator::timesTheAnswers_data()
{
    QTest::addColumn<EcuSimulator::Fault>("fault");
    QTest::addColumn<int>("lineRate");
    QTest::addColumn<QByteArray>("stale");
    QTest::addColumn<int>("minimumMs");
    QTest::addColumn<int>("firstReadAtMost");
    EcuSimulator::Fault delayed;
    delayed.delayMs = 300;
    QTest::newRow("delayed") << delayed << 0 << QByteArray() << 295 << 8;
    QTest::newRow("in pieces") << AnswerInPieces({5}, 250) << 0 << QByteArray() << 245 << 5;
    // 8 bytes take 66.7 ms each way at 1200 baud.
    QTest::newRow("paced at 1200 baud") << EcuSimulator::Fault() << 1200 << QByteArray() << 130 << 8;
    QTest::newRow("stale bytes first") << EcuSimulator::Fault() << 0 << QByteArray("xyz") << 0 << 11;
}

void TestEcuSimulator::timesTheAnswers()
{
    QFETCH(EcuSimulator::Fault, fault);
    QFETCH(int, lineRate);
    QFETCH(QByteArray, stale);
    QFETCH(int, minimumMs);
    QFETCH(int, firstReadAtMost);
    sim->setCommandFault(JUMP_TO_BOOTLOADER_CODE, fault);
    sim->setLineRate(lineRate);
    QVERIFY(stale.isEmpty() || sim->sendRaw(stale));
    QElapsedTimer timer;
    timer.start();
    const QByteArray first = collect(request(JumpToBootloader), stale.size() + 1);
    QVERIFY(first.size() <= firstReadAtMost);
    const QByteArray expected = stale + QByteArray::fromHex("00000080 0000FF80");
    QCOMPARE(first + collect(QByteArray(), expected.size() - first.size()), expected);
    QVERIFY2(timer.elapsed() >= minimumMs, qPrintable(QString::number(timer.elapsed())));
    QCOMPARE(sim->frames().size(), 1);
}

void TestEcuSimulator::faultsDataFramesByIndexSinceFlashStart()
{
    sim->setDataFrameFault(1, NoAnswer());
    sim->setCommandFault(FLASH_APPLICATION_CODE, AnswerStatus(0x55));

    QCOMPARE(statusOf(request(JumpToBootloader)), 0x80);
    for (int session = 0; session < 2; ++session) {
        QCOMPARE(statusOf(request(EraseApplication)), 0x82);
        QCOMPARE(statusOf(request(FlashApplicationStart)), 0x85);
        QCOMPARE(statusOf(request(FlashApplication, 0x80000)), 0x55);
        QVERIFY(collect(request(FlashApplication, 0x84000), 1, 300).isEmpty());
        QCOMPARE(statusOf(request(FlashApplicationEnd, 0x88000)), 0x86);
    }
}

void TestEcuSimulator::gatesJumpOnTheResetPulse()
{
    ModemLineRecorder::clear();
    const QString path = sim->portPath();
    sim->setJumpGate([path](qint64 sinceMs) { return ModemLineRecorder::resetPulseSince(path, sinceMs); });
    QCOMPARE(statusOf(request(JumpToBootloader)), NoResetPulse);

    // RTS raised and dropped with DTR off is no reset pulse; with DTR on it is, once.
    for (bool dtr : {false, true}) {
        QThread::msleep(5);
        QVERIFY(port->setDataTerminalReady(dtr));
        QVERIFY(port->setRequestToSend(true));
        QVERIFY(port->setRequestToSend(false));
        QThread::msleep(5);
        QCOMPARE(statusOf(request(JumpToBootloader)), dtr ? 0x80 : NoResetPulse);
    }
    QCOMPARE(statusOf(request(JumpToBootloader)), NoResetPulse);
}

QTEST_GUILESS_MAIN(TestEcuSimulator)
#include "tst_ecusimulator.moc"
