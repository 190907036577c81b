#include "modemlinerecorder.h"

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

using IoctlFunction = int (*)(int, unsigned long, ...);

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

Recording &recording()
{
    // Never destroyed: ioctl can still be called while static objects are torn down.
    static Recording *const instance = new Recording;
    return *instance;
}

IoctlFunction nextIoctl()
{
    static const auto next = reinterpret_cast<IoctlFunction>(::dlsym(RTLD_NEXT, "ioctl"));
    return next;
}

bool isModemLineRequest(unsigned long request)
{
    return request == TIOCMBIS || request == TIOCMBIC || request == TIOCMSET || request == TIOCMGET;
}

QString ttyPath(int descriptor)
{
    char name[256];
    if (::ttyname_r(descriptor, name, sizeof name) != 0)
        return QString();
    return QString::fromLocal8Bit(name);
}

qint64 steadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void emulate(int descriptor, unsigned long request, int *bits)
{
    const QString path = ttyPath(descriptor);
    Recording &state = recording();
    std::lock_guard<std::mutex> lock(state.mutex);
    EmulatedLines &lines = state.linesByDescriptor[descriptor];
    // A descriptor number reused for another port starts with its lines off.
    if (lines.portPath != path)
        lines = EmulatedLines{path, 0};
    switch (request) {
    case TIOCMGET:
        *bits = lines.bits;
        return;
    case TIOCMBIS:
        lines.bits |= *bits;
        break;
    case TIOCMBIC:
        lines.bits &= ~*bits;
        break;
    default:
        lines.bits = *bits;
        break;
    }
    state.events.append({steadyNowMs(), path, (lines.bits & TIOCM_DTR) != 0, (lines.bits & TIOCM_RTS) != 0});
}

} // namespace

extern "C" int ioctl(int descriptor, unsigned long request, ...) noexcept
{
    va_list arguments;
    va_start(arguments, request);
    void *argument = va_arg(arguments, void *);
    va_end(arguments);

    const int result = nextIoctl()(descriptor, request, argument);
    if (result != -1 || errno != ENOTTY || !isModemLineRequest(request) || !argument
        || !recording().emulating.load())
        return result;
    emulate(descriptor, request, static_cast<int *>(argument));
    return 0;
}

QVector<ModemLineRecorder::Event> ModemLineRecorder::events(const QString &portPath)
{
    std::lock_guard<std::mutex> lock(recording().mutex);
    QVector<Event> matching;
    for (const Event &event : qAsConst(recording().events)) {
        if (event.portPath == portPath)
            matching.append(event);
    }
    return matching;
}

void ModemLineRecorder::setEmulating(bool on)
{
    recording().emulating.store(on);
}

void ModemLineRecorder::clear()
{
    std::lock_guard<std::mutex> lock(recording().mutex);
    recording().events.clear();
}

bool ModemLineRecorder::resetPulseSince(const QString &portPath, qint64 sinceMs)
{
    bool raised = false;
    const QVector<Event> onPort = events(portPath);
    for (const Event &event : onPort) {
        if (event.atMs < sinceMs)
            continue;
        if (!event.dtr)
            raised = false;
        else if (event.rts)
            raised = true;
        else if (raised)
            return true;
    }
    return false;
}
