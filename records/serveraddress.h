#ifndef RECORDS_SERVERADDRESS_H
#define RECORDS_SERVERADDRESS_H

#include <QString>

class QSqlDatabase;

// A PostgreSQL server given as postgresql://[user[:password]@]host[:port]/dbname, the
// host perhaps a socket folder (?host=/path). Without a password in the URL the client
// library looks in PGPASSWORD and ~/.pgpass itself.
class ServerAddress
{
public:
    // True for text that names a server rather than a file.
    static bool IsServerUrl(const QString &text);
    // The server of VARNHOLT_DB, or an empty text.
    static QString FromEnvironment();

    // False with the reason when the URL cannot be read.
    bool read(const QString &url, QString *error);
    bool isEmpty() const;
    // The URL without its password: for messages, and the name records wait under.
    QString name() const;
    // Sets the connection's host, port, user, password and database, and the bounds on
    // connecting and on every statement.
    void configure(QSqlDatabase *database) const;

private:
    QString user;
    QString password;
    QString host;
    int port = -1;
    QString databaseName;
    QString displayName;
};

// Seconds allowed to reach the server, and to each statement once there.
constexpr int SERVER_CONNECT_TIMEOUT_S = 5;
constexpr int SERVER_STATEMENT_TIMEOUT_MS = 10000;

#endif
