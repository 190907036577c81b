#ifndef TESTS_POSTGRESSERVER_H
#define TESTS_POSTGRESSERVER_H

#include <QString>
#include <QTemporaryDir>

// A PostgreSQL server of the test's own: Debian's server programs, a cluster made in a
// temporary folder, reached only through a socket there, stopped and removed at the end.
// Run as root, its programs run as the user postgres, as initdb demands.
class PostgresServer
{
public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer &) = delete;
    PostgresServer &operator=(const PostgresServer &) = delete;

    // Makes the cluster on the first call, then starts the server; false with the reason.
    bool start(QString *error);
    bool stop(QString *error);

    // postgresql://postgres@/postgres?host=<socket folder>
    QString url() const;
    QString socketFolder() const;

private:
    bool runProgram(const QString &program, const QStringList &arguments, QString *error);

    QTemporaryDir folder;
    QString binFolder;
    bool made = false;
    bool running = false;
};

#endif
