#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// Every Qt program on the machine rewrites the user's settings, the file dialog's history
// and last folder among them; each suite keeps settings of its own, so none of that can
// change what a test sees. The programs a suite starts keep their records in its folder too,
// and no database of the user's own is named to them.
void UsePrivateSettings()
{
    static QTemporaryDir folder;
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    qputenv("XDG_DATA_HOME", folder.path().toLocal8Bit());
    qunsetenv("VARNHOLT_DB");
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(UsePrivateSettings)
