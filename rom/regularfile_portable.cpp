#include "rom/regularfile.h"

#include <QFile>
#include <QFileInfo>

#include "rom/romrefusals.h"

// Where names do not turn into FIFOs, a look at the name before opening it is enough.
bool OpenRegularFile(QFile &file, QString *reason)
{
    if (!QFileInfo(file.fileName()).isFile()) {
        *reason = RomRefusal::NotRegularFile;
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *reason = file.errorString();
        return false;
    }
    return true;
}
