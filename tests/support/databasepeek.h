#ifndef TESTS_DATABASEPEEK_H
#define TESTS_DATABASEPEEK_H

#include <QSqlDatabase>
#include <QString>
#include <QVariant>

// The test's own look at a database, on a connection of its own beside the tool's.
class DatabasePeek
{
public:
    // "QSQLITE" or "QPSQL".
    explicit DatabasePeek(const QString &driver);
    ~DatabasePeek();
    DatabasePeek(const DatabasePeek &) = delete;
    DatabasePeek &operator=(const DatabasePeek &) = delete;

    bool openFile(const QString &path);
    // The postgres database as the user postgres, through the server's socket folder.
    bool openServer(const QString &socketFolder);
    bool run(const QString &statement);
    // The first column of the first row, or a text that says why there is none.
    QVariant value(const QString &statement);
    QSqlDatabase &database();

private:
    QString name;
    QSqlDatabase db;
};

#endif
