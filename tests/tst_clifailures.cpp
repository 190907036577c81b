#include <QtTest>

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>

#include "sim/ecusimulator.h"
#include "support/clirun.h"

namespace {

constexpr quint8 ERASE_COMMAND = 0x12;
constexpr quint8 VERIFY_COMMAND = 0x11;
constexpr quint8 DATA_FRAME = 0x13;
constexpr int REFUSED_IN_THIS_STATE = 0xF0;
constexpr int VERIFY_FAILED = 0xF4;
// Each copy comes while the next frame is still going out.
constexpr int COPY_AFTER_MS = 600;

} // namespace

// How varnholt-cli tells and retries a unit's failure, against simulated units that fail.
class TestCliFailures : public QObject, private CliFiles
{
    Q_OBJECT

public:
    TestCliFailures()
        : CliFiles(4 * 16384, 7)
    { }

private slots:
    void initTestCase();
    void retriesAfterAFailureOnly_data();
    void retriesAfterAFailureOnly();
    void droppedAnswersAreCounted();
};

void TestCliFailures::initTestCase()
{
    QVERIFY(romWritten);
}

void TestCliFailures::retriesAfterAFailureOnly_data()
{
    QTest::addColumn<bool>("lineLost");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("attempts");
    QTest::addColumn<QString>("failedStep");

    QTest::newRow("Erase refused once") << false << 0 << QStringList{"failed", "success"}
                                        << "[Flash Hanlder] Erase failed";
    QTest::newRow("the line lost at Erase") << true << 1 << QStringList{"failed"} << "the line was lost";
}

// The first attempt fails at Erase; the unit then answers as it should, for a retry to find.
void TestCliFailures::retriesAfterAFailureOnly()
{
    QFETCH(bool, lineLost);
    QFETCH(int, status);
    QFETCH(QStringList, attempts);
    QFETCH(QString, failedStep);

    EcuSimulator unit;
    unit.setCommandFault(ERASE_COMMAND,
                         lineLost ? EcuSimulator::Fault::lineHangUp()
                                  : EcuSimulator::Fault::answerStatus(REFUSED_IN_THIS_STATE));
    QVERIFY(unit.start());
    QFile::remove(recordPath);
    QProcess cli;
    cli.start(VARNHOLT_CLI, {"flash", romPath, "--retries", "2", "--record", recordPath, "--port", unit.portPath()});
    QVERIFY2(unit.waitForFrames(2, CLI_RUN_BOUND_MS), "Erase did not come");
    unit.clearFaults();
    QVERIFY2(cli.waitForFinished(CLI_RUN_BOUND_MS), "varnholt-cli did not end");
    QCOMPARE(cli.exitCode(), status);

    const QVector<QJsonObject> record = RecordLines(recordPath);
    QCOMPARE(record.size(), 1);
    QStringList results;
    for (const QJsonValue &attempt : record.first().value("attempts").toArray())
        results << attempt.toObject().value("result").toString();
    QCOMPARE(results, attempts);
    const QString firstFailure =
        record.first().value("attempts").toArray().first().toObject().value("failed_step").toString();
    QVERIFY2(firstFailure.contains(failedStep), qPrintable(firstFailure));
    QCOMPARE(record.first().value("result").toString(), attempts.last());
    if (!lineLost)
        QCOMPARE(unit.memory(ROM_ADDRESS, image.size()), image);
}

// Every data frame's answer comes twice; the copies are dropped, counted and named when the
// operation then fails.
void TestCliFailures::droppedAnswersAreCounted()
{
    EcuSimulator unit;
    unit.setCommandFault(DATA_FRAME, EcuSimulator::Fault::answerTwice(COPY_AFTER_MS));
    unit.setCommandFault(VERIFY_COMMAND, EcuSimulator::Fault::answerStatus(VERIFY_FAILED));
    QVERIFY(unit.start());
    QFile::remove(recordPath);
    const CliRun run = RunCli({"flash", romPath, "--record", recordPath, "--port", unit.portPath()});
    QCOMPARE(run.status, 1);
    const QVector<QJsonObject> record = RecordLines(recordPath);
    QCOMPARE(record.size(), 1);
    const QJsonObject dropped = record.first().value("dropped").toObject();
    QCOMPARE(dropped.value("copy").toInt(), 3);
    QCOMPARE(dropped.value("too_soon").toInt(), 0);
    const QString failedStep = record.first().value("failed_step").toString();
    QVERIFY2(
        failedStep.contains("(after 3 dropped answers, the last: an answer was taken for a copy of an earlier one)")
            && failedStep.endsWith(" / [Flash Hanlder] Verify failed"),
        qPrintable(failedStep));
}

QTEST_GUILESS_MAIN(TestCliFailures)
#include "tst_clifailures.moc"
