#include "platform/system.h"

#include <csignal>
#include <unistd.h>

bool IsTerminal(std::FILE *stream)
{
    return isatty(fileno(stream)) == 1;
}

QString SignalName(int signal)
{
    static const struct {
        int number;
        const char *name;
    } NAMES[] = {{SIGKILL, "SIGKILL"}, {SIGTERM, "SIGTERM"}, {SIGINT, "SIGINT"},   {SIGHUP, "SIGHUP"},
                 {SIGSEGV, "SIGSEGV"}, {SIGABRT, "SIGABRT"}, {SIGBUS, "SIGBUS"},   {SIGFPE, "SIGFPE"},
                 {SIGILL, "SIGILL"},   {SIGPIPE, "SIGPIPE"}, {SIGQUIT, "SIGQUIT"}, {SIGALRM, "SIGALRM"}};
    for (const auto &known : NAMES)
        if (known.number == signal)
            return known.name;
    return QString("signal %1").arg(signal);
}

void KeepRunningWhenOutputCloses()
{
    std::signal(SIGPIPE, SIG_IGN);
}
