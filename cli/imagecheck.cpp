#include "cli/imagecheck.h"

#include <QFile>

#include "rom/romimage.h"

bool CheckImageFile(const QString &path, RomImage *image, QString *reason)
{
    if (!path.endsWith(ROM_FILE_SUFFIX, Qt::CaseSensitive)) {
        *reason = "the name does not end in \".rom\", which the window's Browse requires";
        return false;
    }
    return ReadRomImage(path, image, reason);
}

// One image at a time in memory: a 16 MiB image is held once.
bool CopyCheckedImage(const QString &path, const QString &copyPath, RomImage *image, QString *reason)
{
    if (!CheckImageFile(path, image, reason))
        return false;
    *image = RomImage();
    QFile file(path);
    if (!file.copy(copyPath)) {
        *reason = "cannot copy it for the units: " + file.errorString();
        return false;
    }
    if (CheckImageFile(copyPath, image, reason))
        return true;
    *reason = "it changed while it was read: " + *reason;
    return false;
}
