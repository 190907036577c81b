#include "platform/portidentity.h"

#include <QFile>

#include <sys/stat.h>

namespace {

// The serial port opens a bare name under /dev and any path as it stands.
QString PortLocation(const QString &name)
{
    if (name.startsWith(QLatin1Char('/')) || name.startsWith(QLatin1String("./"))
        || name.startsWith(QLatin1String("../")))
        return name;
    return QLatin1String("/dev/") + name;
}

bool DeviceStatus(const QString &name, struct stat *status)
{
    return !name.isEmpty() && ::stat(QFile::encodeName(PortLocation(name)).constData(), status) == 0;
}

bool IsDevice(const struct stat &status)
{
    return S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode);
}

} // namespace

// A device is told by its numbers, whichever node names it; anything else by its inode.
bool SamePort(const QString &first, const QString &second)
{
    struct stat one;
    struct stat other;
    if (!DeviceStatus(first, &one) || !DeviceStatus(second, &other))
        return false;
    if ((one.st_mode & S_IFMT) != (other.st_mode & S_IFMT))
        return false;
    if (IsDevice(one))
        return one.st_rdev == other.st_rdev;
    return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}
