#include "protocol/bootprotocol.h"
#include "ecusimulator.h"
#include "faultoptions.h"
#include "lineclock.h"

#include <QCommandLineParser>

#include <QSerialPort>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

constexpr int Refused = 0xF0, VerifyFailed = 0xF4;

// Built by the tool's codec, which its own test holds to the wire format byte by byte, so
// that the simulator is not checked against its own encoder. Data frames carry 16 KiB.
QByteArray request(FrameType type, quint32 address = 0)
{
    QByteArray data(4, '\0');
    qToLittleEndian(address, data.data());
    data += QByteArray(16384, 'A');
    return BootProtocol(type).PrepareFrame(reinterpret_cast<const quint8 *>(data.constData()), data.size());
}

struct Step {
    QByteArray request;
    int status;
};

} // namespace

Q_DECLARE_METATYPE(QVector<Step>)

// Checks the simulator where its leniency would let a fault of the tool pass: the order of
// requests and the Verify rule. Where it fails outright, the tool's own tests fail with it.
class TestEcuSimulator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void sessions_data();
    void sessions();
    void noiseBeforeAFrameIsSkippedAndCounted();
    void hangUpNowCutsAFrameShort();
    void lineClock();
    void faultOptions_data();
    void faultOptions();

private:
    int statusOf(const QByteArray &sent);

    std::unique_ptr<EcuSimulator> sim;
    std::unique_ptr<QSerialPort> port;
};

void TestEcuSimulator::init()
{
    sim = std::make_unique<EcuSimulator>();
    // The port's own rate, 9600, would spend 17 s on every data frame.
    sim->setLineRate(0);
    QVERIFY2(sim->start(), qPrintable(sim->errorString()));
    port = std::make_unique<QSerialPort>(sim->portPath());
    QVERIFY2(port->open(QIODevice::ReadWrite), qPrintable(port->errorString()));
}

void TestEcuSimulator::cleanup()
{
    port.reset();
    sim.reset();
}

// Byte 3 of a well-formed answer, -1 for anything else.
int TestEcuSimulator::statusOf(const QByteArray &sent)
{
    port->write(sent);
    QByteArray received;
    while (received.size() < RESPONSE_FRAME_SIZE && port->waitForReadyRead(3000))
        received += port->readAll();
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

// The count is what the tool's tests read to tell that no request was cut.
void TestEcuSimulator::noiseBeforeAFrameIsSkippedAndCounted()
{
    const QByteArray noise = QByteArray::fromHex("0140070140FF2001");
    QCOMPARE(statusOf(noise + request(JumpToBootloader)), 0x80);
    QCOMPARE(sim->skippedBytes(), noise.size());
    QCOMPARE(sim->receivedCommands(), QByteArray::fromHex("10"));
}

void TestEcuSimulator::hangUpNowCutsAFrameShort()
{
    // At 1200 baud the data frame would take 137 s to arrive.
    sim->setLineRate(1200);
    port->write(request(FlashApplication, 0x80000));
    QVERIFY(port->waitForBytesWritten(3000));
    QTest::qWait(200);
    sim->hangUpAfterFrames(0);
    QTRY_VERIFY_WITH_TIMEOUT(!sim->isLineOpen(), 10000);
    QVERIFY(sim->frames().isEmpty());
}

void TestEcuSimulator::lineClock()
{
    using namespace std::chrono;
    const LineClock::Clock::time_point read = LineClock::Clock::now();
    LineClock line;
    line.setRate(115200);
    line.receive(DATA_FRAME_SIZE, read);
    QCOMPARE(duration_cast<milliseconds>(line.arrivalOf(DATA_FRAME_SIZE - 1) - read).count(), 1423);
    // Read while the frame still arrives, a command frame follows it on the line.
    line.receive(COMMAND_FRAME_SIZE, read + milliseconds(10));
    QCOMPARE(line.arrivalOf(DATA_FRAME_SIZE), read + line.byteTime() * (DATA_FRAME_SIZE + 1));
    // Answers sent at once leave one after another.
    QCOMPARE(line.sendByte(read), read + line.byteTime());
    QCOMPARE(line.sendByte(read), read + line.byteTime() * 2);
    QCOMPARE(line.sendByte(read + seconds(1)), read + seconds(1) + line.byteTime());
    // Unpaced, bytes have arrived when they are read.
    line.setRate(0);
    line.receive(DATA_FRAME_SIZE, read + seconds(5));
    QCOMPARE(line.arrivalOf(2 * DATA_FRAME_SIZE + COMMAND_FRAME_SIZE - 1), read + seconds(5));
    // An adapter's clock 2 % fast or slow.
    line.setRate(115200, 2);
    line.receive(DATA_FRAME_SIZE, read + seconds(10));
    QCOMPARE(duration_cast<milliseconds>(line.arrivalOf(3 * DATA_FRAME_SIZE + 7) - read - seconds(10)).count(), 1395);
    line.setRate(115200, -2);
    line.receive(DATA_FRAME_SIZE, read + seconds(20));
    QCOMPARE(duration_cast<milliseconds>(line.arrivalOf(4 * DATA_FRAME_SIZE + 7) - read - seconds(20)).count(), 1452);
}

void TestEcuSimulator::faultOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QVector<int>>("answers");

    const QVector<int> session = {0x80, 0x82, 0x82, 0x85, 0x83, 0x86, 0x81};
    QTest::newRow("Erase answered twice, the copy 20 ms later") << QStringList{"--copy", "12:20"} << ""
        << session;
    QTest::newRow("the second data frame refused and left unwritten") << QStringList{"--refuse-frame", "2"} << ""
        << QVector<int>{0x80, 0x82, 0x85, 0x83, 0xF1, 0xF4};
    QTest::newRow("a clock error") << QStringList{"--clock-error", "-2.5"} << "" << QVector<int>{0x80, 0x82, 0x85, 0x83,
                                                                                               0x86, 0x81};
    QTest::newRow("a copy without its time") << QStringList{"--copy", "12"}
        << "--copy needs a hex command code and milliseconds, e.g. 12:20" << QVector<int>();
    QTest::newRow("a clock error that stops the line") << QStringList{"--clock-error", "-100"}
        << "--clock-error needs a number of per cent above -100, e.g. 2 or -1.5" << QVector<int>();
    QTest::newRow("the zeroth frame") << QStringList{"--refuse-frame", "0"} << "--refuse-frame needs a positive number"
        << QVector<int>();
}

// What ecu-sim and the rehearsal do with their options: every answer the line carries,
// copies included, in order.
void TestEcuSimulator::faultOptions()
{
    QFETCH(QStringList, options);
    QFETCH(QString, error);
    QFETCH(QVector<int>, answers);

    FaultOptions faults;
    QCommandLineParser parser;
    faults.addTo(parser);
    QVERIFY(parser.parse(QStringList{"ecu-sim"} + options));
    QString refusal;
    QCOMPARE(faults.read(parser, &refusal), error.isEmpty());
    QCOMPARE(refusal, error);
    if (!error.isEmpty())
        return;
    faults.applyTo(*sim);
    QByteArray received;
    for (const QByteArray &sent : {request(JumpToBootloader), request(EraseApplication), request(FlashApplicationStart),
                                   request(FlashApplication, 0x80000), request(FlashApplicationEnd, 0x84000),
                                   request(VerifyApplication)}) {
        port->write(sent);
        port->waitForBytesWritten(1000);
        QTest::qWait(60);
        received += port->readAll();
    }
    QVector<int> statuses;
    for (int at = 0; at + RESPONSE_FRAME_SIZE <= received.size(); at += RESPONSE_FRAME_SIZE)
        statuses << quint8(received.at(at + 3));
    QCOMPARE(statuses, answers);
    QCOMPARE(sim->memory(0x84000, 16384) == QByteArray(16384, 'A'), answers.contains(0x86));
}

QTEST_GUILESS_MAIN(TestEcuSimulator)
#include "tst_ecusimulator.moc"
