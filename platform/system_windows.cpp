#include "platform/system.h"

#include <io.h>
#include <windows.h>

// A console redraws in place only with its escape sequences switched on.
bool IsTerminal(std::FILE *stream)
{
    if (!_isatty(_fileno(stream)))
        return false;
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return GetConsoleMode(console, &mode) && SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

// A process ended by TerminateProcess has an exit code, not a signal.
QString SignalName(int signal)
{
    return QString("exit code %1").arg(signal);
}

// Windows has no SIGPIPE: a write to a closed pipe fails.
void KeepRunningWhenOutputCloses()
{ }
