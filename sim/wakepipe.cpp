#include "wakepipe.h"

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
    m_read = ends[0];
    m_write = ends[1];
    return true;
}

void WakePipe::close()
{
    if (m_read >= 0)
        ::close(m_read);
    if (m_write >= 0)
        ::close(m_write);
    m_read = -1;
    m_write = -1;
}

int WakePipe::readDescriptor() const
{
    return m_read;
}

void WakePipe::wake()
{
    if (m_write < 0)
        return;
    const char byte = 1;
    while (::write(m_write, &byte, 1) < 0 && errno == EINTR) {
    }
}

void WakePipe::drain()
{
    char bytes[64];
    while (m_read >= 0 && ::read(m_read, bytes, sizeof bytes) > 0) {
    }
}
