#include "sim/pseudoterminal.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool MakeRaw(int descriptor)
{
    termios settings{};
    if (::tcgetattr(descriptor, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    return ::tcsetattr(descriptor, TCSANOW, &settings) == 0;
}

struct Speed {
    speed_t code;
    int baud;
};

const Speed STANDARD_SPEEDS[] = {
    {B50, 50},           {B75, 75},           {B110, 110},         {B134, 134},         {B150, 150},
    {B200, 200},         {B300, 300},         {B600, 600},         {B1200, 1200},       {B1800, 1800},
    {B2400, 2400},       {B4800, 4800},       {B9600, 9600},       {B19200, 19200},     {B38400, 38400},
    {B57600, 57600},     {B115200, 115200},   {B230400, 230400},   {B460800, 460800},   {B500000, 500000},
    {B576000, 576000},   {B921600, 921600},   {B1000000, 1000000}, {B1152000, 1152000}, {B1500000, 1500000},
    {B2000000, 2000000}, {B2500000, 2500000}, {B3000000, 3000000}, {B3500000, 3500000}, {B4000000, 4000000},
};

QString SystemError(const char *step)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(step), qt_error_string(errno));
}

} // namespace

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::open(QString *errorString)
{
    close();
    master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        *errorString = SystemError("posix_openpt");
        return false;
    }
    char name[128];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0) {
        *errorString = SystemError("pseudo-terminal slave");
        close();
        return false;
    }
    // The slave starts in canonical mode with echo, which would bounce answers back to us
    // and translate bytes before the tool has set its own line settings.
    heldSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (heldSlave < 0 || !MakeRaw(heldSlave) || !MakeRaw(master)
        || ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK) != 0) {
        *errorString = SystemError("raw mode");
        close();
        return false;
    }
    slaveDevicePath = QString::fromLocal8Bit(name);
    return true;
}

void PseudoTerminal::close()
{
    if (heldSlave >= 0)
        ::close(heldSlave);
    if (master >= 0)
        ::close(master);
    heldSlave = -1;
    master = -1;
}

bool PseudoTerminal::isOpen() const
{
    return master >= 0;
}

int PseudoTerminal::masterDescriptor() const
{
    return master;
}

QString PseudoTerminal::slavePath() const
{
    return slaveDevicePath;
}

int PseudoTerminal::unreadBySlave() const
{
    int count = 0;
    if (heldSlave < 0 || ::ioctl(heldSlave, TIOCINQ, &count) != 0)
        return 0;
    return count;
}

int PseudoTerminal::slaveBaudRate() const
{
    termios settings{};
    if (heldSlave < 0 || ::tcgetattr(heldSlave, &settings) != 0)
        return 0;
    const speed_t code = ::cfgetospeed(&settings);
    for (const Speed &speed : STANDARD_SPEEDS)
        if (speed.code == code)
            return speed.baud;
    return 0;
}
