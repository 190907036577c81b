#include <QtTest>

#include <QTemporaryDir>

#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "records/centralstore.h"
#include "records/localstore.h"
#include "records/recordkeeper.h"
#include "records/recordkeys.h"
#include "records/serveraddress.h"
#include "support/databasepeek.h"
#include "support/flashrecord.h"
#include "support/postgresserver.h"

// The records' databases: the station's SQLite file, a real PostgreSQL server of the
// test's own, sending between them, and the guard's question.
class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void olderDatabaseIsBroughtForward();
    void readOnlyDatabaseIsRefused();
    void aRecordIsCommittedWhole();
    void twoWritersKeepEveryRecord();
    void sendCutMidwayIsResumed();
    void silentServerIsGivenUp();
    void guardFindsTheImageTheUnitHolds();

private:
    int serverCount(const QString &where = "TRUE");

    QTemporaryDir folder;
    PostgresServer server;
};

void TestRecords::initTestCase()
{
    QString error;
    QVERIFY2(server.start(&error), qPrintable(error));
}

int TestRecords::serverCount(const QString &where)
{
    DatabasePeek peek("QPSQL");
    return peek.openServer(server.socketFolder()) ? peek.value("SELECT COUNT(*) FROM records WHERE " + where).toInt()
                                                  : -1;
}

void TestRecords::olderDatabaseIsBroughtForward()
{
    const QString path = folder.filePath("old.sqlite");
    {
        DatabasePeek peek("QSQLITE");
        QVERIFY(peek.openFile(path));
        QVERIFY(peek.run("CREATE TABLE schema_version (version INTEGER NOT NULL)"));
        QVERIFY(peek.run("INSERT INTO schema_version VALUES (1)"));
        QVERIFY(peek.run("CREATE TABLE records (id TEXT PRIMARY KEY, unit TEXT, station TEXT NOT NULL, operator TEXT, "
                         "operation TEXT NOT NULL, result TEXT NOT NULL, sha256 TEXT, started TEXT NOT NULL, "
                         "finished TEXT NOT NULL, record TEXT NOT NULL)"));
        QVERIFY(
            peek.run("INSERT INTO records VALUES ('old', 'SN1', 's', NULL, 'flash', 'success', 'aa', "
                     "'2026-01-01T00:00:00.000Z', '2026-01-01T00:00:30.000Z', '{\"id\":\"old\",\"unit\":\"SN1\"}')"));
    }
    LocalStore store;
    QString error;
    QVERIFY2(store.open(path, &error), qPrintable(error));
    QVERIFY2(store.add(FlashRecord("SN2", "s", "success", 1), "server", &error), qPrintable(error));
    QVector<QJsonObject> records;
    QVERIFY(store.select(RecordFilter(), &records, &error));
    QCOMPARE(records.size(), 2);
    QCOMPARE(records.first().value(Key::UNIT).toString(), QString("SN1"));
    int waiting = 0;
    QVERIFY(store.waitingCount("server", &waiting, &error) && waiting == 1);

    DatabasePeek peek("QSQLITE");
    QVERIFY(peek.openFile(path) && peek.run("UPDATE schema_version SET version = 99"));
    LocalStore newer;
    QVERIFY(!newer.open(path, &error));
    QVERIFY2(error.contains(path) && error.contains("version 99, newer than this Varnholt's 2"), qPrintable(error));
}

// Made by the tool, then read-only. A file that is no database, a folder in its place and a
// folder that cannot be made: see tst_cli's refusals.
void TestRecords::readOnlyDatabaseIsRefused()
{
    if (geteuid() == 0)
        QSKIP("root writes to a read-only file");
    const QString path = folder.filePath("read-only.sqlite");
    LocalStore made;
    QString error;
    QVERIFY(made.open(path, &error));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    LocalStore store;
    QVERIFY(!store.open(path, &error));
    QVERIFY2(error.startsWith("the database " + QDir::toNativeSeparators(path) + " cannot be used")
                 && error.contains("readonly database"),
             qPrintable(error));
}

// A trigger that fails the second half of the transaction leaves no first half behind.
void TestRecords::aRecordIsCommittedWhole()
{
    const QString path = folder.filePath("whole.sqlite");
    LocalStore store;
    QString error;
    QVERIFY(store.open(path, &error));
    DatabasePeek peek("QSQLITE");
    QVERIFY(peek.openFile(path));
    QVERIFY(peek.run("CREATE TRIGGER refuse AFTER INSERT ON outbox BEGIN SELECT RAISE(ABORT, 'disk gone'); END"));
    QVERIFY(!store.add(FlashRecord("SN1", "s", "success", 0), "server", &error));
    QVERIFY2(error.contains("disk gone"), qPrintable(error));
    QCOMPARE(peek.value("SELECT COUNT(*) FROM records").toInt(), 0);
    QVERIFY(store.add(FlashRecord("SN1", "s", "success", 0), QString(), &error));
    QCOMPARE(peek.value("SELECT COUNT(*) FROM records").toInt(), 1);
}

// Two runs on one station write to one file at the same moment, each its own connection.
void TestRecords::twoWritersKeepEveryRecord()
{
    const QString path = folder.filePath("busy.sqlite");
    constexpr int EACH = 150;
    std::atomic<int> kept{0};
    const auto writer = [&](const QString &station) {
        LocalStore store;
        QString error;
        if (!store.open(path, &error))
            return;
        for (int i = 0; i < EACH; ++i)
            kept += store.add(FlashRecord(QString("SN%1").arg(i), station, "success", i), "server", &error) ? 1 : 0;
    };
    std::thread first(writer, "a"), second(writer, "b");
    first.join();
    second.join();
    QCOMPARE(kept.load(), 2 * EACH);
    LocalStore store;
    QString error;
    QVector<QJsonObject> records;
    QVERIFY(store.open(path, &error) && store.select(RecordFilter(), &records, &error));
    QCOMPARE(records.size(), 2 * EACH);
}

// The server refuses the second of three records; then one reached it but its answer was
// lost. Each record still ends up there once.
void TestRecords::sendCutMidwayIsResumed()
{
    QString error;
    const RecordsSetup setup = RecordsSetup{{folder.filePath("cut.sqlite"), server.url()}};
    // The server's tables first, for the trigger to stand on.
    ServerAddress address;
    QVERIFY(address.read(server.url(), &error) && CentralStore(address).open(&error));
    DatabasePeek peek("QPSQL");
    QVERIFY(peek.openServer(server.socketFolder()));
    QVERIFY(peek.run(
        "CREATE FUNCTION refuse() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'cut'; END $$ LANGUAGE plpgsql"));
    QVERIFY(peek.run("CREATE TRIGGER refuse BEFORE INSERT ON records FOR EACH ROW WHEN (NEW.unit = 'CUT2') "
                     "EXECUTE FUNCTION refuse()"));
    const QJsonObject third = FlashRecord("CUT3", "s", "success", 3);
    {
        RecordKeeper keeper;
        QVERIFY(keeper.open(setup, &error));
        for (const QJsonObject &record :
             {FlashRecord("CUT1", "s", "success", 1), FlashRecord("CUT2", "s", "success", 2), third})
            QVERIFY(keeper.keep(record, &error));
        QCOMPARE(keeper.sendWaiting(), 2);
        QVERIFY2(keeper.waitingLine().contains("2 records wait") && keeper.waitingLine().contains("cut"),
                 qPrintable(keeper.waitingLine()));
    }
    QCOMPARE(serverCount("unit LIKE 'CUT%'"), 1);
    QVERIFY(peek.run("DROP TRIGGER refuse ON records"));
    QVERIFY(peek.run(QString("INSERT INTO records (id, station, operation, result, started, finished, record) VALUES "
                             "('%1', 's', 'flash', 'success', now(), now(), '{}')")
                         .arg(third.value(Key::ID).toString())));
    RecordKeeper keeper;
    QVERIFY(keeper.open(setup, &error));
    QCOMPARE(keeper.sendWaiting(), 0);
    QCOMPARE(serverCount("unit LIKE 'CUT%' OR record = '{}'"), 3);
}

// A server that takes the connection and never says a word: the run goes on, and the line
// names the server.
void TestRecords::silentServerIsGivenUp()
{
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    QVERIFY(::bind(listener, reinterpret_cast<sockaddr *>(&address), length) == 0 && ::listen(listener, 4) == 0
            && ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) == 0);
    const QString url = QString("postgresql://line@127.0.0.1:%1/records").arg(ntohs(address.sin_port));
    RecordKeeper keeper;
    QString error;
    QVERIFY(keeper.open(RecordsSetup{{folder.filePath("silent.sqlite"), url}}, &error));
    QVERIFY(keeper.keep(FlashRecord("S1", "s", "success", 0), &error));
    QCOMPARE(keeper.sendWaiting(), 1);
    ::close(listener);
    QVERIFY2(keeper.waitingLine().startsWith("1 record waits to be sent: the server " + url + ": ")
                 && keeper.waitingLine().contains("timeout expired"),
             qPrintable(keeper.waitingLine()));
}

void TestRecords::guardFindsTheImageTheUnitHolds()
{
    QString error;
    RecordKeeper local, both;
    QVERIFY(local.open(RecordsSetup{{folder.filePath("guard.sqlite")}}, &error));
    QVERIFY(both.open(RecordsSetup{{folder.filePath("guard-other.sqlite"), server.url()}}, &error));
    const QJsonObject held = FlashRecord("G1", "s", "success", 1, 30, "aa");
    QJsonObject erase = FlashRecord("G2", "s", "success", 2), verify = FlashRecord("G1", "s", "success", 3);
    erase[Key::OPERATION] = "erase";
    verify[Key::OPERATION] = "verify";
    for (const QJsonObject &record :
         {held, FlashRecord("G2", "s", "success", 1, 30, "aa"), erase, verify,
          FlashRecord("G3", "s", "success", 1, 30, "aa"), FlashRecord("G3", "s", "failed", 2, 30, "aa"),
          FlashRecord("G4", "s", "success", 1, 30, "bb")})
        QVERIFY(local.keep(record, &error));
    QCOMPARE(local.heldImage("G1", "aa"), held);
    QVERIFY(local.heldImage("G2", "aa").isEmpty());
    QVERIFY(local.heldImage("G3", "aa").isEmpty());
    QVERIFY(local.heldImage("G4", "aa").isEmpty());
    // Another station's flash, known only to the server.
    const QJsonObject elsewhere = FlashRecord("G5", "other", "success", 1, 30, "aa");
    QVERIFY(both.keep(elsewhere, &error) && both.sendWaiting() == 0);
    RecordKeeper fresh;
    QVERIFY(fresh.open(RecordsSetup{{folder.filePath("guard-fresh.sqlite"), server.url()}}, &error));
    QCOMPARE(fresh.heldImage("G5", "aa"), elsewhere);
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
