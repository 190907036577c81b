#include "records/recordkeeper.h"

#include <QSet>

#include <algorithm>

#include "records/centralstore.h"
#include "records/localstore.h"
#include "records/recordkeys.h"
#include "records/serveraddress.h"

namespace {

bool ChangesMemory(const QJsonObject &record)
{
    const QString operation = record.value(Key::OPERATION).toString();
    const QString result = record.value(Key::RESULT).toString();
    return (operation == OperationText::FLASH || operation == OperationText::ERASE) && result != Result::SKIPPED
        && result != Result::REFUSED;
}

// Adds the records whose ids are not there yet, and keeps them oldest first.
void Merge(const QVector<QJsonObject> &more, QVector<QJsonObject> *records)
{
    QSet<QString> ids;
    for (const QJsonObject &record : qAsConst(*records))
        ids.insert(record.value(Key::ID).toString());
    for (const QJsonObject &record : more)
        if (!ids.contains(record.value(Key::ID).toString()))
            records->append(record);
    std::stable_sort(records->begin(), records->end(), [](const QJsonObject &a, const QJsonObject &b) {
        return a.value(Key::STARTED).toString() < b.value(Key::STARTED).toString();
    });
}

} // namespace

RecordKeeper::RecordKeeper() = default;
RecordKeeper::~RecordKeeper() = default;

bool RecordKeeper::readSetup(const RecordsSetup &setup, QString *localPath, QString *serverUrl, QString *error)
{
    for (const QString &database : setup.databases) {
        QString *slot = ServerAddress::IsServerUrl(database) ? serverUrl : localPath;
        if (!slot->isEmpty()) {
            *error =
                QString("--db names two %1: %2 and %3").arg(slot == serverUrl ? "servers" : "files", *slot, database);
            return false;
        }
        *slot = database;
    }
    const QString environment = ServerAddress::FromEnvironment();
    if (serverUrl->isEmpty() && ServerAddress::IsServerUrl(environment))
        *serverUrl = environment;
    else if (localPath->isEmpty() && !environment.isEmpty() && !ServerAddress::IsServerUrl(environment))
        *localPath = environment;
    if (localPath->isEmpty())
        *localPath = LocalStore::DefaultPath();
    return true;
}

bool RecordKeeper::open(const RecordsSetup &setup, QString *error)
{
    if (setup.noDatabase)
        return true;
    QString localPath, serverUrl;
    if (!readSetup(setup, &localPath, &serverUrl, error))
        return false;
    if (!serverUrl.isEmpty()) {
        ServerAddress address;
        if (!address.read(serverUrl, error))
            return false;
        central = std::make_unique<CentralStore>(address);
    }
    local = std::make_unique<LocalStore>();
    return local->open(localPath, error);
}

bool RecordKeeper::hasServer() const
{
    return central != nullptr;
}

QString RecordKeeper::serverName() const
{
    return central ? central->address().name() : QString();
}

bool RecordKeeper::reachServer()
{
    if (!central)
        return false;
    if (!serverTried) {
        serverTried = true;
        central->open(&problem);
    }
    return central->isOpen();
}

QJsonObject RecordKeeper::heldImage(const QString &unit, const QString &sha256)
{
    RecordFilter filter;
    filter.unit = unit;
    QVector<QJsonObject> records;
    QString ignored;
    gather(filter, &records, &ignored);
    for (auto record = records.crbegin(); record != records.crend(); ++record) {
        if (!ChangesMemory(*record))
            continue;
        const bool held = record->value(Key::OPERATION).toString() == OperationText::FLASH
            && record->value(Key::RESULT).toString() == Result::SUCCESS
            && record->value(Key::IMAGE).toObject().value(Key::SHA256).toString() == sha256;
        return held ? *record : QJsonObject();
    }
    return QJsonObject();
}

bool RecordKeeper::keep(const QJsonObject &record, QString *error)
{
    if (local)
        return local->add(record, serverName(), error);
    return true;
}

int RecordKeeper::sendWaiting()
{
    if (!local || !central)
        return 0;
    QVector<QJsonObject> records;
    if (!local->waiting(serverName(), &records, &problem) || records.isEmpty() || !reachServer())
        return records.size();
    int left = records.size();
    for (const QJsonObject &record : qAsConst(records)) {
        if (!central->add(record, &problem)
            || !local->markSent(record.value(Key::ID).toString(), serverName(), &problem))
            break;
        --left;
    }
    return left;
}

QString RecordKeeper::serverProblem() const
{
    return problem;
}

QString RecordKeeper::waitingLine()
{
    int count = 0;
    if (!local || !central || !local->waitingCount(serverName(), &count, &problem) || count == 0)
        return QString();
    const QString why = problem.isEmpty() ? "the server " + serverName() : problem;
    return QString("%1 %2 to be sent: %3; the next run or \"varnholt-cli sync\" sends %4")
        .arg(count)
        .arg(count == 1 ? "record waits" : "records wait", why, count == 1 ? "it" : "them");
}

bool RecordKeeper::gather(const RecordFilter &filter, QVector<QJsonObject> *records, QString *error)
{
    QVector<QJsonObject> found;
    if (local && !local->select(filter, &found, error))
        return false;
    Merge(found, records);
    found.clear();
    if (reachServer() && central->select(filter, &found, &problem))
        Merge(found, records);
    return true;
}
