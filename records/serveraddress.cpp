#include "records/serveraddress.h"

#include <QSqlDatabase>
#include <QUrl>
#include <QUrlQuery>

namespace {

const char *const ENVIRONMENT_VARIABLE = "VARNHOLT_DB";

// A dead network is noticed within about a statement's time instead of the system's hours.
QString ConnectOptions()
{
    return QString("connect_timeout=%1;keepalives=1;keepalives_idle=5;keepalives_interval=2;keepalives_count=3;"
                   "tcp_user_timeout=%2;options='-c statement_timeout=%2 -c client_min_messages=warning'")
        .arg(SERVER_CONNECT_TIMEOUT_S)
        .arg(SERVER_STATEMENT_TIMEOUT_MS);
}

} // namespace

bool ServerAddress::IsServerUrl(const QString &text)
{
    return text.startsWith("postgresql://") || text.startsWith("postgres://");
}

QString ServerAddress::FromEnvironment()
{
    return qEnvironmentVariable(ENVIRONMENT_VARIABLE);
}

bool ServerAddress::read(const QString &text, QString *error)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString socketFolder = QUrlQuery(url).queryItemValue("host", QUrl::FullyDecoded);
    const QString path = url.path(QUrl::FullyDecoded);
    *error = QString("cannot read the server's URL %1: give postgresql://[user[:password]@]host[:port]/dbname")
                 .arg(QUrl(text).toDisplayString(QUrl::RemovePassword));
    if (!url.isValid() || !IsServerUrl(text) || path.size() < 2 || path.indexOf('/', 1) >= 0
        || (url.host().isEmpty() && socketFolder.isEmpty()))
        return false;
    user = url.userName(QUrl::FullyDecoded);
    password = url.password(QUrl::FullyDecoded);
    host = socketFolder.isEmpty() ? url.host(QUrl::FullyDecoded) : socketFolder;
    port = url.port(-1);
    databaseName = path.mid(1);
    displayName = url.toDisplayString(QUrl::RemovePassword);
    error->clear();
    return true;
}

bool ServerAddress::isEmpty() const
{
    return displayName.isEmpty();
}

QString ServerAddress::name() const
{
    return displayName;
}

void ServerAddress::configure(QSqlDatabase *database) const
{
    database->setHostName(host);
    if (port > 0)
        database->setPort(port);
    database->setUserName(user);
    database->setPassword(password);
    database->setDatabaseName(databaseName);
    database->setConnectOptions(ConnectOptions());
}
