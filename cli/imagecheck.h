#ifndef CLI_IMAGECHECK_H
#define CLI_IMAGECHECK_H

#include <QString>

struct RomImage;

// The window's own check of a ROM file, with its Browse button's rule that the name ends
// in ".rom"; on refusal the reason, with the line number where there is one.
bool CheckImageFile(const QString &path, RomImage *image, QString *reason);

// Checks the file, copies it to copyPath and checks the copy, which is what the units get:
// the image summed up is then the image sent, even if the file changes meanwhile.
bool CopyCheckedImage(const QString &path, const QString &copyPath, RomImage *image, QString *reason);

#endif
