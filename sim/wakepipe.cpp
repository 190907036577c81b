#include "sim/wakepipe.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

WakePipe::~WakePipe()
{
    close();
}

bool WakePipe::open(QString *errorString)
{
    close();
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) {
        *errorString = QStringLiteral("wake-up pipe: %1").arg(qt_error_string(errno));
        return false;
    }
    readEnd = ends[0];
    writeEnd = ends[1];
    return true;
}

void WakePipe::close()
{
    if (readEnd >= 0)
        ::close(readEnd);
    if (writeEnd >= 0)
        ::close(writeEnd);
    readEnd = -1;
    writeEnd = -1;
}

int WakePipe::readDescriptor() const
{
    return readEnd;
}

void WakePipe::wake()
{
    if (writeEnd < 0)
        return;
    const char byte = 1;
    while (::write(writeEnd, &byte, 1) < 0 && errno == EINTR) { }
}

void WakePipe::drain()
{
    char bytes[64];
    while (readEnd >= 0 && ::read(readEnd, bytes, sizeof bytes) > 0) { }
}
