#include <QtTest>

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "records/recordkeys.h"
#include "sim/ecusimulator.h"
#include "sim/sampleimage.h"
#include "support/clirun.h"
#include "support/databasepeek.h"
#include "support/postgresserver.h"

namespace {

constexpr quint32 ADDRESS = 0x80000;
const char *const STATION = "line-3";

// The server for one run, as a station's environment names it.
QProcessEnvironment WithServer(const QString &serverUrl)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VARNHOLT_DB", serverUrl);
    return environment;
}

} // namespace

// The command line's records against simulated units, the station's SQLite file and a
// PostgreSQL server of the suite's own: who, what and where reach the server, records wait
// while it is away and reach it once, the guard, and the line's questions.
class TestCliRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    // One line's day, in order: each step builds on the records of the one before.
    void twoUnitsReachTheServer();
    void recordsWaitWhileTheServerIsAway();
    void syncSendsThemOnce();
    void aUnitThatHoldsTheImageIsSkipped();
    void theLineAsksItsRecords();
    void refusedBeforeAnyUnitIsTouched_data();
    void refusedBeforeAnyUnitIsTouched();
    void twoRunsAtOnceKeepEveryRecord();

private:
    CliRun flash(const QStringList &units, const QStringList &extra, QVector<EcuSimulator *> sims,
                 const QString &serverUrl = QString());
    QVector<QJsonObject> serverRecords();

    QTemporaryDir folder;
    PostgresServer server;
    QString romPath;
    QString localPath;
    QByteArray image;
    QString sha256;
    // The first run's records as the server holds them.
    QVector<QJsonObject> firstRecords;
};

void TestCliRecords::initTestCase()
{
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
    image = SampleImage(16384, 29);
    sha256 = QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex();
    romPath = folder.filePath("image.rom");
    localPath = folder.filePath("station.sqlite");
    QVERIFY(WriteRomFile(romPath, ADDRESS, image));
}

// Flashes the image into the simulated units, each named by its entry in units.
CliRun TestCliRecords::flash(const QStringList &units, const QStringList &extra, QVector<EcuSimulator *> sims,
                             const QString &serverUrl)
{
    QStringList arguments{"flash", romPath, "--station", STATION,    "--operator",
                          "ann",   "--db",  localPath,   "--record", folder.filePath("record.jsonl")};
    for (int i = 0; i < sims.size(); ++i) {
        if (!sims[i]->isLineOpen() && !sims[i]->start())
            return {-1, QString(), "the simulated unit did not start"};
        arguments << "--port" << sims[i]->portPath() << "--unit" << sims[i]->portPath() + "=" + units.at(i);
    }
    return RunCli(arguments + extra, serverUrl.isEmpty() ? QProcessEnvironment() : WithServer(serverUrl));
}

QVector<QJsonObject> TestCliRecords::serverRecords()
{
    QVector<QJsonObject> records;
    DatabasePeek peek("QPSQL");
    QSqlQuery query(peek.database());
    if (!peek.openServer(server.socketFolder())
        || !query.exec("SELECT record, id::text, unit, station, result, sha256 FROM records ORDER BY started"))
        return records;
    while (query.next()) {
        // The columns questions select on say what the record says.
        QJsonObject record = QJsonDocument::fromJson(query.value(0).toByteArray()).object();
        const QStringList columns{record.value(Key::ID).toString(), record.value(Key::UNIT).toString(),
                                  record.value(Key::STATION).toString(), record.value(Key::RESULT).toString(),
                                  record.value(Key::IMAGE).toObject().value(Key::SHA256).toString()};
        for (int i = 0; i < columns.size(); ++i)
            if (query.value(i + 1).toString() != columns.at(i))
                record.insert("column mismatch", i);
        records.append(record);
    }
    return records;
}

// Two units with their ids and the station: both records on the server, every key.
void TestCliRecords::twoUnitsReachTheServer()
{
    EcuSimulator a1, b1;
    const CliRun run = flash({"SN-A1", "SN-B1"}, {"--db", server.url()}, {&a1, &b1});
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    QVERIFY(run.err.isEmpty());
    QCOMPARE(a1.memory(ADDRESS, image.size()), image);
    firstRecords = serverRecords();
    QCOMPARE(firstRecords.size(), 2);
    // The same records as the file holds, in whatever order the units ended.
    QVector<QJsonObject> inFile = RecordLines(folder.filePath("record.jsonl"));
    if (inFile.size() == 2 && inFile.first() != firstRecords.first())
        std::swap(inFile.first(), inFile.last());
    QCOMPARE(firstRecords, inFile);
    for (const QJsonObject &record : qAsConst(firstRecords)) {
        QVERIFY(QStringList({"SN-A1", "SN-B1"}).contains(record.value(Key::UNIT).toString()));
        QCOMPARE(record.value(Key::STATION).toString(), QString(STATION));
        QCOMPARE(record.value(Key::OPERATOR).toString(), QString("ann"));
        QCOMPARE(record.value(Key::RESULT).toString(), QString("success"));
        QCOMPARE(record.value(Key::IMAGE).toObject().value(Key::SHA256).toString(), sha256);
        QVERIFY(!QUuid(record.value(Key::ID).toString()).isNull());
        QVERIFY(!record.contains("column mismatch"));
    }
}

// The server away (named by VARNHOLT_DB this time): the units are flashed all the same.
void TestCliRecords::recordsWaitWhileTheServerIsAway()
{
    QString error;
    QVERIFY2(server.stop(&error), qPrintable(error));
    EcuSimulator a2, b2;
    const CliRun run = flash({"SN-A2", "SN-B2"}, {}, {&a2, &b2}, server.url());
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    QCOMPARE(b2.memory(ADDRESS, image.size()), image);
    QVERIFY2(run.err.startsWith("varnholt-cli: 2 records wait to be sent: the server " + server.url())
                 && run.err.count('\n') == 1,
             qPrintable(run.err));
    QVERIFY2(server.start(&error), qPrintable(error));
    QCOMPARE(serverRecords().size(), 2);
}

// Sent once, however often sync runs.
void TestCliRecords::syncSendsThemOnce()
{
    for (int pass = 0; pass < 2; ++pass) {
        const CliRun run = RunCli({"sync", "--db", localPath, "--db", server.url()});
        QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
        QCOMPARE(serverRecords().size(), 4);
    }
}

// The first unit again with the same image: not one frame; with --again, flashed.
void TestCliRecords::aUnitThatHoldsTheImageIsSkipped()
{
    EcuSimulator again;
    CliRun run = flash({"SN-A1"}, {"--db", server.url(), "--json"}, {&again});
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    QVERIFY(again.frames().isEmpty());
    const QJsonObject skipped = QJsonDocument::fromJson(run.out.trimmed().split('\n').last().toUtf8()).object();
    QCOMPARE(skipped.value(Key::RESULT).toString(), QString("skipped"));
    QCOMPARE(skipped.value(Key::FAILED_STEP).toString(),
             QString("the unit already holds this image: flashed at %1 on line-3")
                 .arg(firstRecords.value(firstRecords.value(0).value(Key::UNIT) == "SN-A1" ? 0 : 1)
                          .value(Key::FINISHED)
                          .toString()));
    run = flash({"SN-A1"}, {"--db", server.url(), "--again"}, {&again});
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    QCOMPARE(again.memory(ADDRESS, image.size()), image);
    QCOMPARE(serverRecords().size(), 6);
}

void TestCliRecords::theLineAsksItsRecords()
{
    CliRun run = RunCli({"report", "--json", "--station", STATION, "--db", localPath, "--db", server.url()});
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    const QJsonObject station =
        QJsonDocument::fromJson(run.out.toUtf8()).object()["stations"].toObject()[STATION].toObject();
    QCOMPARE(station.value("units").toInt(), 4);
    QCOMPARE(station.value("successes").toInt(), 5);
    QCOMPARE(station.value("first_pass_yield").toDouble(), 1.0);
    run = RunCli({"history", "SN-A1", "--db", server.url(), "--db", folder.filePath("elsewhere.sqlite")});
    const QStringList history = run.out.trimmed().split('\n');
    QCOMPARE(history.size(), 3);
    QVERIFY2(history.at(0).contains(" line-3  flash  success  sha256 " + sha256.left(16) + "  by ann")
                 && history.at(1).contains("skipped") && history.at(2).contains("success"),
             qPrintable(run.out));
    run = RunCli({"export", "--csv", "--db", localPath, "--since", "2000-01-01"});
    QCOMPARE(run.out.count("\r\n"), 7);
    QVERIFY(run.out.contains(",SN-B2,line-3,ann,flash,"));
}

void TestCliRecords::refusedBeforeAnyUnitIsTouched_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::newRow("a unit on a port not given")
        << QStringList{"--unit", "/dev/nowhere=SN1"} << "the port /dev/nowhere is not among the --port options";
    QTest::newRow("one unit on two ports")
        << QStringList{"--unit", "@1=SN1", "--unit", "@2=SN1"} << "the unit SN1 is given for two ports";
    QTest::newRow("an id too long") << QStringList{"--unit", "@1=" + QString(65, 'x')}
                                    << "1 to 64 printable characters";
    QTest::newRow("--no-db with --db") << QStringList{"--no-db", "--db", "x.sqlite"} << "do not go together";
    QTest::newRow("a corrupt database") << QStringList{"--db", "@corrupt"} << "file is not a database";
    QTest::newRow("a folder for a database") << QStringList{"--db", "@folder"} << "it is not a file";
    QTest::newRow("a folder that cannot be made")
        << QStringList{"--db", "/proc/varnholt/records.sqlite"} << "cannot make its folder";
    QTest::newRow("an unreadable URL") << QStringList{"--db", "postgresql://host"} << "cannot read the server's URL";
}

void TestCliRecords::refusedBeforeAnyUnitIsTouched()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    EcuSimulator first, second;
    QVERIFY(first.start() && second.start());
    QFile corrupt(folder.filePath("corrupt.sqlite"));
    QVERIFY(corrupt.open(QIODevice::WriteOnly) && corrupt.write(QByteArray(8192, 'v')) == 8192);
    corrupt.close();
    QVERIFY(QDir().mkpath(folder.filePath("folder.sqlite")));
    for (QString &argument : arguments)
        argument.replace("@1", first.portPath()).replace("@2", second.portPath()).replace("@", folder.path() + "/");
    for (QString &argument : arguments)
        if (argument.startsWith(folder.path()) && !argument.contains('.'))
            argument += ".sqlite";

    const CliRun run =
        RunCli(QStringList{"flash", romPath, "--port", first.portPath(), "--port", second.portPath()} + arguments);
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(message) && run.err.count('\n') == 1, qPrintable(run.err));
    QVERIFY(first.frames().isEmpty() && second.frames().isEmpty());
}

// Two runs on one station at the same moment, each with two units, in the default database.
void TestCliRecords::twoRunsAtOnceKeepEveryRecord()
{
    EcuSimulator units[4];
    QVector<QProcess *> runs;
    for (int run = 0; run < 2; ++run) {
        QStringList arguments{"flash", romPath, "--baud", "115200"};
        for (int i = 2 * run; i < 2 * run + 2; ++i) {
            QVERIFY(units[i].start());
            arguments << "--port" << units[i].portPath() << "--unit" << units[i].portPath() + "=P" + QString::number(i);
        }
        runs << new QProcess(this);
        runs.last()->start(VARNHOLT_CLI, arguments);
    }
    for (QProcess *run : runs) {
        QVERIFY2(run->waitForFinished(CLI_RUN_BOUND_MS), "varnholt-cli did not end within 90 s");
        QVERIFY2(run->exitCode() == 0, run->readAllStandardError().constData());
    }
    const QString defaultPath = qEnvironmentVariable("XDG_DATA_HOME") + "/varnholt-cli/records.sqlite";
    const CliRun export_ = RunCli({"export", "--csv", "--db", defaultPath});
    for (int i = 0; i < 4; ++i)
        QVERIFY2(export_.out.contains(QString(",P%1,").arg(i)), qPrintable(export_.out));
    QCOMPARE(RunCli({"export", "--csv"}).out, export_.out);
}

QTEST_GUILESS_MAIN(TestCliRecords)
#include "tst_clirecords.moc"
