// The program's own write(), in front of the C library's: the tests make it refuse the
// writes to one descriptor, the benchmarks make it time them. Linked as objects, so that
// it takes the place of the C library's in the executable.

#include "support/writerefusal.h"
#include "support/writewatch.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <dlfcn.h>
#include <mutex>
#include <unistd.h>

namespace {

std::atomic<int> refusedDescriptor{-1};
std::atomic<int> watchedDescriptor{-1};

struct WatchedWrites {
    std::mutex mutex;
    QVector<WriteWatch::Moment> moments;
};

WatchedWrites &TheWatchedWrites()
{
    // Never destroyed: write() can still be called while static objects are torn down.
    static WatchedWrites *const instance = new WatchedWrites;
    return *instance;
}

} // namespace

extern "C" ssize_t write(int descriptor, const void *bytes, size_t count)
{
    using WriteFunction = ssize_t (*)(int, const void *, size_t);
    static const auto next = reinterpret_cast<WriteFunction>(::dlsym(RTLD_NEXT, "write"));
    if (descriptor >= 0 && descriptor == refusedDescriptor.load()) {
        // Not EIO: the port takes that for a lost device rather than a failed write.
        errno = ENXIO;
        return -1;
    }
    if (descriptor >= 0 && descriptor == watchedDescriptor.load(std::memory_order_relaxed)) {
        const WriteWatch::Moment moment = WriteWatch::Moment::now();
        std::lock_guard<std::mutex> lock(TheWatchedWrites().mutex);
        TheWatchedWrites().moments.append(moment);
    }
    return next(descriptor, bytes, count);
}

void WriteRefusal::refuse(int descriptor)
{
    refusedDescriptor.store(descriptor);
}

WriteWatch::Moment WriteWatch::Moment::now()
{
    timespec cpu{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    const auto steady = std::chrono::steady_clock::now().time_since_epoch();
    return {std::chrono::duration_cast<std::chrono::nanoseconds>(steady).count(),
            qint64(cpu.tv_sec) * 1000000000 + cpu.tv_nsec};
}

void WriteWatch::watch(int descriptor)
{
    watchedDescriptor.store(descriptor);
}

QVector<WriteWatch::Moment> WriteWatch::takeWrites()
{
    WatchedWrites &writes = TheWatchedWrites();
    std::lock_guard<std::mutex> lock(writes.mutex);
    QVector<Moment> taken;
    taken.swap(writes.moments);
    return taken;
}
