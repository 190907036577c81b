#include "cli/stopsignal.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

namespace {

constexpr int POLL_MS = 50;

volatile std::sig_atomic_t interrupts = 0;
std::atomic<bool> inputSaysStop{false};

// A handler may only set a flag. Some systems reset the handler after each call.
void Catch(int signal)
{
    interrupts = interrupts + 1;
    std::signal(signal, Catch);
}

// Blocks on the input for as long as the process lives, so it runs on a thread of its own;
// the unit process ends without the C library's clean-up, which would wait for it.
void ReadInput()
{
    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        if (std::strcmp(line, STOP_LINE) == 0)
            break;
    }
    inputSaysStop = true;
}

} // namespace

StopSignal::StopSignal(Sources sources)
{
    std::signal(SIGINT, Catch);
    if (sources == CtrlCOrInput)
        std::thread(ReadInput).detach();
#ifdef SIGPIPE
    // A unit whose command line is gone ends at its next safe point, through the input's
    // end, rather than on its next line of output in the middle of a frame.
    if (sources == CtrlCOrInput)
        std::signal(SIGPIPE, SIG_IGN);
#endif
    connect(&poll, &QTimer::timeout, this, &StopSignal::look);
    poll.start(POLL_MS);
}

void StopSignal::look()
{
    const int count = qMax(int(interrupts), inputSaysStop ? 1 : 0);
    if (count <= seen)
        return;
    seen = count;
    emit stopRequested(seen);
}
