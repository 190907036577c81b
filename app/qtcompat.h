#ifndef APP_QTCOMPAT_H
#define APP_QTCOMPAT_H

#include <QSerialPortInfo>
#include <QtGlobal>

// Qt 6 dropped QSerialPortInfo::isBusy. The window asks it only to decide whether to
// close its own port before opening it again, and closing a port that is not open
// changes nothing, so on Qt 6 no port reports busy.
inline bool PortReportsBusy(const QSerialPortInfo &info)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    return info.isBusy();
#else
    Q_UNUSED(info)
    return false;
#endif
}

#endif
