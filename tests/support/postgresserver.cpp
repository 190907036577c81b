#include "support/postgresserver.h"

#include <QCollator>
#include <QDir>
#include <QProcess>

#include <pwd.h>
#include <unistd.h>

namespace {

const char *const SERVER_ROOT = "/usr/lib/postgresql";
const char *const SERVER_USER = "postgres";
// pg_ctl's own bound on a start or stop, and ours on any of its programs.
constexpr int PG_CTL_WAIT_S = 60;
constexpr int PROGRAM_BOUND_MS = 90000;

// The newest version's programs, e.g. /usr/lib/postgresql/15/bin.
QString FindBinFolder()
{
    QStringList versions = QDir(SERVER_ROOT).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCollator numeric;
    numeric.setNumericMode(true);
    std::sort(versions.begin(), versions.end(), numeric);
    return versions.isEmpty() ? QString() : QString("%1/%2/bin").arg(SERVER_ROOT, versions.last());
}

} // namespace

PostgresServer::PostgresServer()
    : binFolder(FindBinFolder())
{ }

PostgresServer::~PostgresServer()
{
    QString ignored;
    if (running)
        stop(&ignored);
}

bool PostgresServer::runProgram(const QString &program, const QStringList &arguments, QString *error)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    const QString path = binFolder + '/' + program;
    if (geteuid() == 0)
        process.start("runuser", QStringList{"-u", SERVER_USER, "--", path} + arguments);
    else
        process.start(path, arguments);
    if (!process.waitForFinished(PROGRAM_BOUND_MS)) {
        process.kill();
        process.waitForFinished(PROGRAM_BOUND_MS);
        *error = QString("%1 did not end within %2 s").arg(program).arg(PROGRAM_BOUND_MS / 1000);
        return false;
    }
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    *error = QString("%1 failed: %2").arg(program, QString::fromLocal8Bit(process.readAll()).trimmed());
    return false;
}

bool PostgresServer::start(QString *error)
{
    if (binFolder.isEmpty() || !folder.isValid()) {
        *error = binFolder.isEmpty()
            ? QString("no PostgreSQL server under %1 (apt-get install postgresql)").arg(SERVER_ROOT)
            : "cannot make a temporary folder";
        return false;
    }
    if (!made) {
        const passwd *user = geteuid() == 0 ? getpwnam(SERVER_USER) : nullptr;
        if (geteuid() == 0 && (!user || ::chown(qPrintable(folder.path()), user->pw_uid, user->pw_gid) != 0)) {
            *error = QString("cannot give %1 to the user %2").arg(folder.path(), SERVER_USER);
            return false;
        }
        if (!runProgram("initdb", {"-D", folder.filePath("data"), "-A", "trust", "-U", SERVER_USER, "--no-sync"},
                        error))
            return false;
        made = true;
    }
    running = runProgram("pg_ctl",
                         {"-D", folder.filePath("data"), "-l", folder.filePath("server.log"), "-w", "-t",
                          QString::number(PG_CTL_WAIT_S), "-o",
                          QString("-k %1 -c listen_addresses=''").arg(folder.path()), "start"},
                         error);
    return running;
}

bool PostgresServer::stop(QString *error)
{
    running = !runProgram(
        "pg_ctl", {"-D", folder.filePath("data"), "-w", "-t", QString::number(PG_CTL_WAIT_S), "-m", "fast", "stop"},
        error);
    return !running;
}

QString PostgresServer::url() const
{
    return QString("postgresql://%1@/postgres?host=%2").arg(SERVER_USER, folder.path());
}

QString PostgresServer::socketFolder() const
{
    return folder.path();
}
