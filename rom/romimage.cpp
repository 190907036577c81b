#include "rom/romimage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "rom/regularfile.h"
#include "rom/romrefusals.h"

namespace {

// As many links as the system itself follows before it gives up.
constexpr int MAX_LINK_HOPS = 40;

// The name is a link that leads nowhere: to a missing file, or round in a circle.
QString BrokenLinkReason(QFileInfo link)
{
    for (int hop = 0; link.isSymLink(); ++hop) {
        if (hop == MAX_LINK_HOPS)
            return RomRefusal::LinkLoop;
        link.setFile(link.symLinkTarget());
    }
    return QString(RomRefusal::DanglingLink).arg(QDir::toNativeSeparators(link.filePath()));
}

bool NamesRegularFile(const QString &path, QString *reason)
{
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists()) {
        *reason = BrokenLinkReason(info);
        return false;
    }
    if (!info.exists()) {
        *reason = RomRefusal::FileNotFound;
        return false;
    }
    if (!info.isFile()) {
        *reason = RomRefusal::NotRegularFile;
        return false;
    }
    return true;
}

} // namespace

#ifndef Q_OS_UNIX
// No FIFO can take a regular file's place here; a device that opened anyway is still refused.
bool OpenRegularFile(QFile &file, QString *reason)
{
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    if (file.isSequential()) {
        *reason = RomRefusal::NotRegularFile;
        return false;
    }
    return true;
}
#endif

bool ReadRomImage(const QString &path, RomImage *image, QString *reason, const ReadingPulse &pulse)
{
    if (!NamesRegularFile(path, reason))
        return false;
    QFile file(path);
    return OpenRegularFile(file, reason) && ParseRomImage(file, image, reason, pulse);
}
