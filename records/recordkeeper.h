#ifndef RECORDS_RECORDKEEPER_H
#define RECORDS_RECORDKEEPER_H

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

#include "records/recordfilter.h"

class CentralStore;
class LocalStore;

// Where a run keeps its records: what --db, --no-db and VARNHOLT_DB said.
struct RecordsSetup {
    // Each a SQLite file or a postgresql:// URL; at most one of each.
    QStringList databases;
    bool noDatabase = false;
};

// The databases of one run: the station's own, and the line's server if one is named.
// A record is committed to the station's database first and sent afterwards; a server that
// cannot be reached or fails holds nothing up, and what it lacks waits for the next run.
// The server is tried at most once a run, so a line that is down costs one time-out.
class RecordKeeper
{
public:
    RecordKeeper();
    ~RecordKeeper();

    // Opens the station's database and reads the server's URL; false with the line to
    // print when either cannot be used (nothing may then be sent to any unit).
    bool open(const RecordsSetup &setup, QString *error);
    bool hasServer() const;
    QString serverName() const;

    // The unit's last flash if it was a success with this image, else an empty object.
    QJsonObject heldImage(const QString &unit, const QString &sha256);
    // Commits the record to the station's database, to wait there for the server if one is named.
    bool keep(const QJsonObject &record, QString *error);
    // Sends every record that waits for the server, oldest first; the number still waiting.
    int sendWaiting();
    // Why the server has not taken them, or an empty text.
    QString serverProblem() const;
    // One line saying how many records wait and for which server, or an empty text.
    QString waitingLine();

    // The records of every database the run can reach, each once, oldest first.
    bool gather(const RecordFilter &filter, QVector<QJsonObject> *records, QString *error);

private:
    bool reachServer();
    bool readSetup(const RecordsSetup &setup, QString *localPath, QString *serverUrl, QString *error);

    std::unique_ptr<LocalStore> local;
    std::unique_ptr<CentralStore> central;
    bool serverTried = false;
    QString problem;
};

#endif
