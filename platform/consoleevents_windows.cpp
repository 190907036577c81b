#include "platform/stopsignals.h"

#include <windows.h>

namespace {

// Ctrl-C reaches the C library's SIGINT; the console's close and Ctrl-Break come only here.
BOOL WINAPI OnConsoleEvent(DWORD event)
{
    switch (event) {
    case CTRL_BREAK_EVENT:
        NoteStop(StopSignals::Terminate);
        return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
        NoteStop(StopSignals::HangUp);
        return TRUE;
    default:
        return FALSE;
    }
}

} // namespace

void CatchConsoleEvents()
{
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}
