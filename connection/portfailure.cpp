#include "connection/portfailure.h"

#include <QCoreApplication>
#include <QDir>
#include <QSerialPort>

namespace {

// Qt reports a port that another program holds as a permission error on locking it.
const char *const LOCKED_HINT = QT_TRANSLATE_NOOP("PortFailure", "another program has the port open");
const char *const GROUP_HINT = QT_TRANSLATE_NOOP("PortFailure",
                                                 "on Debian the serial ports belong to the group dialout: "
                                                 "sudo adduser $USER dialout, then log in again");

QString Hint(const char *hint)
{
    return " (" + QCoreApplication::translate("PortFailure", hint) + ")";
}

} // namespace

QString PortFailureReason(const QSerialPort &port)
{
    QString reason = QDir::toNativeSeparators(port.portName()) + ": " + port.errorString();
    if (port.error() != QSerialPort::PermissionError)
        return reason;
    if (port.errorString().contains("locking", Qt::CaseInsensitive))
        return reason + Hint(LOCKED_HINT);
#ifdef Q_OS_LINUX
    return reason + Hint(GROUP_HINT);
#else
    return reason;
#endif
}
