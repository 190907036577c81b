// Loaded into varnholt-cli by the shared-record test: every write to a record (a ".jsonl"
// file) is followed by a pause, so that runs sharing a record write between each other's
// writes for sure; a line written in more than one write is then cut by another run's.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr useconds_t PAUSE_US = 2000;
constexpr char RECORD_SUFFIX[] = ".jsonl";

bool IsRecord(int descriptor)
{
    char link[64];
    char path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", descriptor);
    const ssize_t length = readlink(link, path, sizeof path);
    const ssize_t suffix = sizeof RECORD_SUFFIX - 1;
    return length > suffix && std::memcmp(path + length - suffix, RECORD_SUFFIX, suffix) == 0;
}

} // namespace

extern "C" ssize_t write(int descriptor, const void *data, size_t size)
{
    using Write = ssize_t (*)(int, const void *, size_t);
    static const Write systemWrite = reinterpret_cast<Write>(dlsym(RTLD_NEXT, "write"));
    const ssize_t written = systemWrite(descriptor, data, size);
    if (IsRecord(descriptor))
        usleep(PAUSE_US);
    return written;
}
