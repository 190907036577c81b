// What one PostgreSQL server takes: the size of a flash's record as the server keeps it,
// and how many records a second it takes from stations sending as varnholt-cli does, each
// record on its own. Against a server of its own in a temporary folder, as the tests run.
// Usage: bench_records [records per station] [stations at once]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QSqlQuery>

#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "records/centralstore.h"
#include "records/recordkeys.h"
#include "support/databasepeek.h"
#include "support/flashrecord.h"
#include "support/postgresserver.h"

namespace {

// The log of a flash that succeeded, line by line as the window writes it.
const char *const FLASH_LOG[] = {"Browse success",
                                 "[Flash Hanlder] Flash command started",
                                 "[Flash Hanlder] Jump to boot loader success",
                                 "[Flash Hanlder] Erasing..",
                                 "[Flash Hanlder] Erase success",
                                 "[Flash Hanlder] Flashing.. 100%",
                                 "[Flash Hanlder] Flash success",
                                 "[Flash Hanlder] Verify success",
                                 "[Flash Hanlder] Resetting..",
                                 "[Flash Hanlder] Reset success"};

QJsonObject TypicalFlash(const QString &station, int n)
{
    QJsonObject record =
        FlashRecord(QString("SN%1").arg(n, 8, 10, QChar('0')), station, "success", n, 27, QString(64, 'a'));
    QJsonArray log;
    for (const char *text : FLASH_LOG)
        log.append(QJsonObject{{"time", record.value(Key::STARTED)}, {"kind", "info"}, {"text", text}});
    QJsonObject image = record.value(Key::IMAGE).toObject();
    image.insert(Key::FIRST, 0x80000);
    image.insert(Key::LAST, 0xBFFFF);
    image.insert(Key::SIZE, 262144);
    image.insert(Key::CRC32, "1A2B3C4D");
    record.insert(Key::IMAGE, image);
    record.insert(Key::OPERATOR, "ann");
    record.insert(Key::VERSION, "6.2");
    record.insert(Key::PORT, "/dev/ttyUSB0");
    record.insert(Key::BAUD, 115200);
    record.insert(Key::FILE_PATH, "/srv/line/images/app-4.7.1.rom");
    record.insert(Key::LOG, log);
    return record;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int perStation = argc > 1 ? atoi(argv[1]) : 2000;
    const int stations = argc > 2 ? atoi(argv[2]) : 4;
    PostgresServer server;
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "bench_records: %s\n", qPrintable(error));
        return 1;
    }
    ServerAddress address;
    address.read(server.url(), &error);
    CentralStore(address).open(&error);

    std::atomic<int> failed{0};
    QElapsedTimer clock;
    clock.start();
    std::vector<std::thread> threads;
    for (int s = 0; s < stations; ++s)
        threads.emplace_back([&, s] {
            CentralStore store(address);
            QString why;
            if (!store.open(&why))
                failed += perStation;
            for (int n = 0; n < perStation && store.isOpen(); ++n)
                failed += store.add(TypicalFlash(QString("line-%1").arg(s), n), &why) ? 0 : 1;
        });
    for (std::thread &thread : threads)
        thread.join();
    const double seconds = clock.elapsed() / 1000.0;
    const int records = stations * perStation - failed;

    DatabasePeek peek("QPSQL");
    QSqlQuery query(peek.database());
    peek.openServer(server.socketFolder());
    query.exec("SELECT AVG(octet_length(record)), pg_total_relation_size('records'), COUNT(*) FROM records");
    query.next();
    std::printf("%d records from %d stations at once in %.1f s: %.0f records/s (%d failed)\n", records, stations,
                seconds, records / seconds, failed.load());
    std::printf("record: %.0f bytes of JSON; %.0f bytes a record on the server, indexes included\n",
                query.value(0).toDouble(), query.value(1).toDouble() / query.value(2).toDouble());
    return failed == 0 ? 0 : 1;
}
