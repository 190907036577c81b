#include "support/modemlinerecorder.h"

#include <QHash>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <dlfcn.h>
#include <mutex>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

struct EmulatedLines {
    QString portPath;
    int bits = 0;
};

struct Recording {
    std::mutex mutex;
    QHash<int, EmulatedLines> linesByDescriptor;
    QVector<ModemLineRecorder::Event> events;
    std::atomic<bool> emulating{true};
};

Recording &TheRecording()
{
    // Never destroyed: ioctl can still be called while static objects are torn down.
    static Recording *const instance = new Recording;
    return *instance;
}

void Emulate(int descriptor, unsigned long request, int *bits)
{
    char name[256];
    const QString path = ::ttyname_r(descriptor, name, sizeof name) == 0 ? QString::fromLocal8Bit(name) : QString();
    const qint64 nowMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    Recording &state = TheRecording();
    std::lock_guard<std::mutex> lock(state.mutex);
    EmulatedLines &lines = state.linesByDescriptor[descriptor];
    // A descriptor number reused for another port starts with its lines off.
    if (lines.portPath != path)
        lines = EmulatedLines{path, 0};
    if (request == TIOCMGET) {
        *bits = lines.bits;
        return;
    }
    if (request == TIOCMBIS)
        lines.bits |= *bits;
    else if (request == TIOCMBIC)
        lines.bits &= ~*bits;
    else
        lines.bits = *bits;
    state.events.append({nowMs, path, (lines.bits & TIOCM_DTR) != 0, (lines.bits & TIOCM_RTS) != 0});
}

} // namespace

extern "C" int ioctl(int descriptor, unsigned long request, ...) noexcept
{
    using IoctlFunction = int (*)(int, unsigned long, ...);
    static const auto next = reinterpret_cast<IoctlFunction>(::dlsym(RTLD_NEXT, "ioctl"));
    va_list arguments;
    va_start(arguments, request);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);

    const int result = next(descriptor, request, argument);
    const bool modemLines = request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET || request == TIOCMGET;
    if (result != -1 || errno != ENOTTY || !modemLines || !argument || !TheRecording().emulating.load())
        return result;
    Emulate(descriptor, request, static_cast<int *>(argument));
    return 0;
}

QVector<ModemLineRecorder::Event> ModemLineRecorder::events(const QString &portPath)
{
    std::lock_guard<std::mutex> lock(TheRecording().mutex);
    QVector<Event> matching;
    for (const Event &event : qAsConst(TheRecording().events)) {
        if (event.portPath == portPath)
            matching.append(event);
    }
    return matching;
}

void ModemLineRecorder::setEmulating(bool on)
{
    TheRecording().emulating.store(on);
}
