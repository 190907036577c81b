#include "cli/unitevents.h"

namespace {

QString KindName(LogEntry::Kind kind)
{
    switch (kind) {
    case LogEntry::Info:
        return "info";
    case LogEntry::Error:
        return "error";
    case LogEntry::Status:
        break;
    }
    return "status";
}

} // namespace

QString JsonTime(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QJsonObject LogEntryJson(const LogEntry &entry)
{
    return {{Key::TIME, JsonTime(entry.time)}, {Key::KIND, KindName(entry.kind)}, {Key::TEXT, entry.text}};
}
