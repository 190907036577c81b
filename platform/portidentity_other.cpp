#include "platform/portidentity.h"

namespace {

// Windows opens "COM12" as "\\.\COM12" and takes either form, in any case.
QString PortLocation(const QString &name)
{
    QString location = name.trimmed();
    location.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QLatin1String devicePrefix("\\\\.\\");
    if (location.startsWith(devicePrefix))
        location.remove(0, devicePrefix.size());
    return location.toUpper();
}

} // namespace

bool SamePort(const QString &first, const QString &second)
{
    const QString location = PortLocation(first);
    return !location.isEmpty() && location == PortLocation(second);
}
