#include "support/databasepeek.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

DatabasePeek::DatabasePeek(const QString &driver)
    : name("peek-" + QUuid::createUuid().toString())
    , db(QSqlDatabase::addDatabase(driver, name))
{ }

DatabasePeek::~DatabasePeek()
{
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

bool DatabasePeek::openFile(const QString &path)
{
    db.setDatabaseName(path);
    return db.open();
}

bool DatabasePeek::openServer(const QString &socketFolder)
{
    db.setHostName(socketFolder);
    db.setUserName("postgres");
    db.setDatabaseName("postgres");
    return db.open();
}

bool DatabasePeek::run(const QString &statement)
{
    return QSqlQuery(db).exec(statement);
}

QVariant DatabasePeek::value(const QString &statement)
{
    QSqlQuery query(db);
    return query.exec(statement) && query.next() ? query.value(0) : QVariant("failed: " + query.lastError().text());
}

QSqlDatabase &DatabasePeek::database()
{
    return db;
}
