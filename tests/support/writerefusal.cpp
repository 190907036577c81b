#include "writerefusal.h"

#include <atomic>
#include <cerrno>
#include <dlfcn.h>
#include <unistd.h>

namespace {

std::atomic<int> refusedDescriptor{-1};

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
    return next(descriptor, bytes, count);
}

void WriteRefusal::refuse(int descriptor)
{
    refusedDescriptor.store(descriptor);
}
