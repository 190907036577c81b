#include "cli/terminal.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifdef Q_OS_WIN
// A console redraws in place only with its escape sequences switched on.
bool IsTerminal(std::FILE *stream)
{
    if (!_isatty(_fileno(stream)))
        return false;
    const HANDLE console = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    return GetConsoleMode(console, &mode)
        && SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}
#else
bool IsTerminal(std::FILE *stream)
{
    return isatty(fileno(stream)) == 1;
}
#endif
