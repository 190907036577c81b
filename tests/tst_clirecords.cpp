#include <QtTest>

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QUuid>

#include "records/recordkeys.h"
#include "sim/ecusimulator.h"
#include "support/clirun.h"
#include "support/databasepeek.h"
#include "support/postgresserver.h"

namespace {

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
// while it is away and reach it once, the guard, and the line's questions. The databases a
// run refuses are in tst_cli's table of refusals.
class TestCliRecords : public QObject, private CliFiles
{
    Q_OBJECT

public:
    TestCliRecords()
        : CliFiles(16384, 29)
    { }

private slots:
    void initTestCase();
    // One line's day, in order: each step builds on the records of the one before.
    void twoUnitsReachTheServer();
    void recordsWaitWhileTheServerIsAway();
    void syncSendsThemOnce();
    void aUnitThatHoldsTheImageIsSkipped();
    void theLineAsksItsRecords();
    void theDefaultDatabaseKeepsTheRecords();

private:
    CliRun flash(const QStringList &units, const QStringList &extra, QVector<EcuSimulator *> sims,
                 const QString &serverUrl = QString());
    QVector<QJsonObject> serverRecords();

    PostgresServer server;
    QString localPath;
    QString sha256;
    // The first run's records as the server holds them.
    QVector<QJsonObject> firstRecords;
};

void TestCliRecords::initTestCase()
{
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
    sha256 = QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex();
    localPath = folder.filePath("station.sqlite");
    QVERIFY(romWritten);
}

// Flashes the image into the simulated units, each named by its entry in units.
CliRun TestCliRecords::flash(const QStringList &units, const QStringList &extra, QVector<EcuSimulator *> sims,
                             const QString &serverUrl)
{
    QStringList arguments{"flash", romPath, "--station", STATION,    "--operator",
                          "ann",   "--db",  localPath,   "--record", recordPath};
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
    QCOMPARE(a1.memory(ROM_ADDRESS, image.size()), image);
    firstRecords = serverRecords();
    QCOMPARE(firstRecords.size(), 2);
    // The same records as the file holds, in whatever order the units ended.
    QVector<QJsonObject> inFile = RecordLines(recordPath);
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
    QCOMPARE(b2.memory(ROM_ADDRESS, image.size()), image);
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
    QCOMPARE(again.memory(ROM_ADDRESS, image.size()), image);
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

// Without --db, the station's default database, which export reads without --db too. Two
// writers at once on one file: see tst_records.
void TestCliRecords::theDefaultDatabaseKeepsTheRecords()
{
    EcuSimulator first, second;
    QVERIFY(first.start() && second.start());
    const CliRun run = RunCli({"flash", romPath, "--port", first.portPath(), "--unit", first.portPath() + "=P1",
                               "--port", second.portPath(), "--unit", second.portPath() + "=P2"});
    QVERIFY2(run.status == 0, qPrintable(run.err + run.out));
    const QString defaultPath = qEnvironmentVariable("XDG_DATA_HOME") + "/varnholt-cli/records.sqlite";
    const CliRun export_ = RunCli({"export", "--csv", "--db", defaultPath});
    QVERIFY2(export_.out.contains(",P1,") && export_.out.contains(",P2,"), qPrintable(export_.out));
    QCOMPARE(RunCli({"export", "--csv"}).out, export_.out);
}

QTEST_GUILESS_MAIN(TestCliRecords)
#include "tst_clirecords.moc"
