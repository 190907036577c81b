#include "portwritewatch.h"

#include <atomic>
#include <chrono>
#include <ctime>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>

namespace {

using WriteFunction = ssize_t (*)(int, const void *, size_t);

struct Notes {
    std::atomic<int> descriptor{-1};
    std::mutex mutex;
    QVector<PortWriteWatch::Moment> writes;
};

Notes &notes()
{
    // Never destroyed: write() can still be called while static objects are torn down.
    static Notes *const instance = new Notes;
    return *instance;
}

WriteFunction nextWrite()
{
    static const auto next = reinterpret_cast<WriteFunction>(::dlsym(RTLD_NEXT, "write"));
    return next;
}

} // namespace

extern "C" ssize_t write(int descriptor, const void *buffer, size_t count)
{
    Notes &state = notes();
    if (descriptor >= 0 && descriptor == state.descriptor.load(std::memory_order_relaxed)) {
        const PortWriteWatch::Moment moment = PortWriteWatch::Moment::now();
        std::lock_guard<std::mutex> lock(state.mutex);
        state.writes.append(moment);
    }
    return nextWrite()(descriptor, buffer, count);
}

PortWriteWatch::Moment PortWriteWatch::Moment::now()
{
    timespec cpu {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    const auto steady = std::chrono::steady_clock::now().time_since_epoch();
    return {std::chrono::duration_cast<std::chrono::nanoseconds>(steady).count(),
            qint64(cpu.tv_sec) * 1000000000 + cpu.tv_nsec};
}

void PortWriteWatch::watch(int descriptor)
{
    notes().descriptor.store(descriptor);
}

QVector<PortWriteWatch::Moment> PortWriteWatch::takeWrites()
{
    Notes &state = notes();
    std::lock_guard<std::mutex> lock(state.mutex);
    QVector<Moment> taken;
    taken.swap(state.writes);
    return taken;
}
