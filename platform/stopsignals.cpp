#include "platform/stopsignals.h"

#include <atomic>
#include <csignal>

namespace {

constexpr int POLL_MS = 50;

std::atomic<int> firstStop{StopSignals::None};
std::atomic<int> stops{0};

// A handler may only note the stop. Some systems reset the handler after each call.
void Catch(int signal)
{
    std::signal(signal, Catch);
#ifdef SIGHUP
    if (signal == SIGHUP) {
        NoteStop(StopSignals::HangUp);
        return;
    }
#endif
    NoteStop(signal == SIGTERM ? StopSignals::Terminate : StopSignals::Interrupt);
}

} // namespace

void NoteStop(StopSignals::Cause cause)
{
    int none = StopSignals::None;
    firstStop.compare_exchange_strong(none, cause);
    ++stops;
}

StopSignals::StopSignals()
{
    std::signal(SIGINT, Catch);
    std::signal(SIGTERM, Catch);
#ifdef SIGHUP
    std::signal(SIGHUP, Catch);
#endif
    CatchConsoleEvents();
    connect(&poll, &QTimer::timeout, this, &StopSignals::look);
    poll.start(POLL_MS);
}

StopSignals::Cause StopSignals::firstCause()
{
    return Cause(firstStop.load());
}

int StopSignals::count()
{
    return stops.load();
}

QString StopSignals::name(Cause cause)
{
    switch (cause) {
    case HangUp:
        return "SIGHUP";
    case Terminate:
        return "SIGTERM";
    case Interrupt:
    case None:
        break;
    }
    return "Ctrl-C";
}

void StopSignals::look()
{
    const int now = count();
    if (now <= seen)
        return;
    seen = now;
    emit stopRequested(firstCause(), seen);
}
