#include "rom/regularfile.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "rom/romrefusals.h"

// Opening a FIFO waits for a writer, and a device's open may wait too; QFile cannot open
// without waiting, so the name is opened here and the descriptor's type is checked first.
bool OpenRegularFile(QFile &file, QString *reason)
{
    const int descriptor = ::open(QFile::encodeName(file.fileName()).constData(),
                                  O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        *reason = qt_error_string(errno);
        return false;
    }
    struct stat status;
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        *reason = RomRefusal::NotRegularFile;
        return false;
    }
    ::fcntl(descriptor, F_SETFL, ::fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        *reason = file.errorString();
        return false;
    }
    return true;
}
