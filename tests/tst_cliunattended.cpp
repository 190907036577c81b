#include <QtTest>

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QSerialPort>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "sim/ecusimulator.h"
#include "support/clirun.h"

namespace {

constexpr char RESET_COMMAND = '\x14';
// Jump, Erase, Flash start and the first data frame.
constexpr int FIRST_DATA_FRAME = 4;
constexpr int STOPS_APART_MS = 300;
constexpr int PAGE = 4096;

QStringList Ports(const QVector<EcuSimulator *> &units)
{
    QStringList arguments;
    for (const EcuSimulator *unit : units)
        arguments << "--port" << unit->portPath();
    return arguments;
}

QStringList Results(const QVector<QJsonObject> &record)
{
    QStringList results;
    for (const QJsonObject &line : record)
        results << line.value("result").toString();
    return results;
}

} // namespace

// varnholt-cli as a supervisor, a pipe and a full disk treat it: stopped or cut off from its
// output, it still leaves a true record. A file it must not wait on: see tst_cli's refusals.
class TestCliUnattended : public QObject, private CliFiles
{
    Q_OBJECT

public:
    TestCliUnattended()
        : CliFiles(4 * 16384, 5)
    { }

private slots:
    void initTestCase();
    void everyStopIsSafe_data();
    void everyStopIsSafe();
    void closedOutputStopsNothing();
    void recordLinesWholeOnAFullDisk();
    void runsShareOneRecord();

private:
    QString tempPath;
};

void TestCliUnattended::initTestCase()
{
    tempPath = folder.filePath("tmp");
    QVERIFY(romWritten);
    QVERIFY(QDir(folder.path()).mkdir("tmp"));
}

void TestCliUnattended::everyStopIsSafe_data()
{
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("stops");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("because");

    QTest::newRow("Ctrl-C") << int(SIGINT) << 1 << 130 << "interrupted"
                            << "(stopped by Ctrl-C)";
    QTest::newRow("SIGTERM") << int(SIGTERM) << 1 << 143 << "interrupted"
                             << "(stopped by SIGTERM)";
    QTest::newRow("SIGHUP") << int(SIGHUP) << 1 << 129 << "interrupted"
                            << "(stopped by SIGHUP)";
    QTest::newRow("SIGTERM twice") << int(SIGTERM) << 2 << 143 << "killed"
                                   << "killed on a second stop after SIGTERM";
}

// Mid-flash on two units: each ends at a safe point (or at once on a second signal), no
// Reset reaches either, each has a whole line, and the units' copy is gone.
void TestCliUnattended::everyStopIsSafe()
{
    QFETCH(int, signal);
    QFETCH(int, stops);
    QFETCH(int, status);
    QFETCH(QString, result);
    QFETCH(QString, because);

    EcuSimulator first, second;
    first.setLineRate(115200);
    second.setLineRate(115200);
    QVERIFY(first.start() && second.start());
    QFile::remove(recordPath);
    QProcess cli;
    // The units' copy of the file goes into tempPath; Qt's own runtime folder, which outlives
    // every run, is not the run's to remove.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", tempPath);
    environment.insert("XDG_RUNTIME_DIR", folder.path());
    cli.setProcessEnvironment(environment);
    cli.start(VARNHOLT_CLI,
              QStringList{"flash", romPath, "--retries", "1", "--record", recordPath} + Ports({&first, &second}));
    QVERIFY(cli.waitForStarted(CLI_RUN_BOUND_MS));
    QVERIFY2(first.waitForFrames(FIRST_DATA_FRAME, CLI_RUN_BOUND_MS)
                 && second.waitForFrames(FIRST_DATA_FRAME, CLI_RUN_BOUND_MS),
             "the first data frames did not come");
    // Apart: two signals pending at once arrive as one.
    for (int i = 0; i < stops && cli.state() == QProcess::Running; ++i, QTest::qWait(STOPS_APART_MS))
        QCOMPARE(::kill(pid_t(cli.processId()), signal), 0);
    QVERIFY2(cli.state() == QProcess::NotRunning || cli.waitForFinished(CLI_RUN_BOUND_MS),
             "varnholt-cli did not end after the stop");
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), status);

    for (const EcuSimulator *unit : {&first, &second}) {
        QVERIFY2(!unit->receivedCommands().contains(RESET_COMMAND), unit->receivedCommands().toHex().constData());
        // A safe stop waits for the frame in flight and its answer.
        for (const EcuSimulator::ReceivedFrame &frame : unit->frames())
            QVERIFY(result == "killed" || (frame.checksumOk && frame.answeredStatus >= 0));
        QSerialPort again(unit->portPath());
        QVERIFY2(again.open(QIODevice::ReadWrite), qPrintable(again.errorString()));
    }
    const QVector<QJsonObject> record = RecordLines(recordPath);
    QCOMPARE(Results(record), QStringList({result, result}));
    for (const QJsonObject &line : record) {
        QVERIFY2(line.value("failed_step").toString().contains(because),
                 qPrintable(line.value("failed_step").toString()));
        // A stop is never retried; a killed process told nothing.
        QCOMPARE(line.value("attempts").toArray().size(), result == "killed" ? 0 : 1);
    }
    QCOMPARE(QDir(tempPath).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

// The reader goes away after the first byte; the units go on to the end. The output is a
// FIFO the test reads, so that closing it closes the pipe.
void TestCliUnattended::closedOutputStopsNothing()
{
    EcuSimulator first, second;
    QVERIFY(first.start() && second.start());
    QFile::remove(recordPath);
    const QByteArray output = QFile::encodeName(folder.filePath("output"));
    QCOMPARE(::mkfifo(output.constData(), 0600), 0);
    const int reader = ::open(output.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    QVERIFY(reader >= 0);
    QProcess cli;
    cli.setStandardOutputFile(folder.filePath("output"));
    cli.start(VARNHOLT_CLI, QStringList{"flash", romPath, "--record", recordPath} + Ports({&first, &second}));
    pollfd readable{reader, POLLIN, 0};
    QCOMPARE(::poll(&readable, 1, CLI_RUN_BOUND_MS), 1);
    char byte = 0;
    QCOMPARE(::read(reader, &byte, 1), ssize_t(1));
    ::close(reader);
    QVERIFY2(cli.waitForFinished(CLI_RUN_BOUND_MS), "varnholt-cli did not end");
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(first.memory(ROM_ADDRESS, image.size()), image);
    QCOMPARE(second.memory(ROM_ADDRESS, image.size()), image);
    QCOMPARE(Results(RecordLines(recordPath)), QStringList({"success", "success"}));
}

// A real filesystem that fills up: a small tmpfs, which needs the right to mount.
void TestCliUnattended::recordLinesWholeOnAFullDisk()
{
    const QString disk = folder.filePath("disk");
    QVERIFY(QDir(folder.path()).mkdir("disk"));
    if (::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=64k") != 0)
        QSKIP("mounting a small tmpfs needs root");
    const auto unmount = qScopeGuard([&] { ::umount(QFile::encodeName(disk).constData()); });
    const QString path = disk + "/record.jsonl";
    QFile filler(disk + "/filler");
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(PAGE, 'x')) == PAGE) { }
    filler.close();
    // One page free, which the earlier line fills but for a few hundred bytes: the next
    // line fits only in part.
    QVERIFY(filler.resize(filler.size() / PAGE * PAGE - PAGE));
    QFile earlier(path);
    const QByteArray earlierLine = "{\"earlier\":\"" + QByteArray(PAGE - 400, 'e') + "\"}\n";
    QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(earlierLine) == earlierLine.size());
    earlier.close();

    EcuSimulator unit;
    QVERIFY(unit.start());
    const CliRun full = RunCli({"flash", romPath, "--port", unit.portPath(), "--record", path});
    QCOMPARE(full.status, 3);
    QVERIFY2(full.err.contains("lacks the line of " + unit.portPath()), qPrintable(full.err));
    QCOMPARE(unit.memory(ROM_ADDRESS, image.size()), image);
    QCOMPARE(RecordLines(path).size(), 1);

    QVERIFY(QFile::remove(filler.fileName()));
    const CliRun later = RunCli({"erase", "--port", unit.portPath(), "--record", path});
    QCOMPARE(later.status, 0);
    QCOMPARE(Results(RecordLines(path)), QStringList({QString(), "success"}));
}

// Runs write their lines at the same moments: each line reaches the file in one write, or
// the runs' halves interleave.
// Runs that share a record, each pausing after every record write: a line written in two
// writes would be cut by another run's line.
void TestCliUnattended::runsShareOneRecord()
{
    constexpr int RUNS = 4, PORTS = 400;
    QStringList arguments{"flash", folder.filePath("missing.rom"), "--record", recordPath};
    for (int i = 0; i < PORTS; ++i)
        arguments << "--port" << folder.filePath(QString("no-such-port-%1").arg(i));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_PRELOAD", SLOW_RECORD_WRITES);
    // The sanitizers' runtime would otherwise refuse a library loaded before it.
    environment.insert("ASAN_OPTIONS", environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    QFile::remove(recordPath);
    QProcess runs[RUNS];
    for (QProcess &run : runs) {
        run.setProcessEnvironment(environment);
        run.start(VARNHOLT_CLI, arguments);
    }
    for (QProcess &run : runs) {
        QVERIFY(run.waitForFinished(CLI_RUN_BOUND_MS));
        QCOMPARE(run.exitCode(), 2);
    }
    QCOMPARE(RecordLines(recordPath).size(), RUNS * PORTS);
}

QTEST_GUILESS_MAIN(TestCliUnattended)
#include "tst_cliunattended.moc"
