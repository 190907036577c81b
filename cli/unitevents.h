#ifndef CLI_UNITEVENTS_H
#define CLI_UNITEVENTS_H

#include <QDateTime>
#include <QJsonObject>
#include <QString>

#include "ui/logentry.h"

// The words of the record, of --json and of what a unit process tells the command line.
// The record's keys are an interface: the man page and the README list them.
namespace Key {
constexpr char VERSION[] = "version";
constexpr char OPERATION[] = "operation";
constexpr char PORT[] = "port";
constexpr char BAUD[] = "baud";
constexpr char FILE_PATH[] = "file";
constexpr char IMAGE[] = "image";
constexpr char FIRST[] = "first";
constexpr char LAST[] = "last";
constexpr char SIZE[] = "size";
constexpr char CRC32[] = "crc32";
constexpr char SHA256[] = "sha256";
constexpr char STARTED[] = "started";
constexpr char FINISHED[] = "finished";
constexpr char DURATION[] = "duration_s";
constexpr char RESULT[] = "result";
constexpr char FAILED_STEP[] = "failed_step";
constexpr char LOG[] = "log";
constexpr char TIME[] = "time";
constexpr char KIND[] = "kind";
constexpr char TEXT[] = "text";
// Events only: what happened, and which line of the log a log event sets.
constexpr char EVENT[] = "event";
constexpr char INDEX[] = "index";
} // namespace Key

namespace Result {
constexpr char SUCCESS[] = "success";
constexpr char FAILED[] = "failed";
constexpr char INTERRUPTED[] = "interrupted";
constexpr char REFUSED[] = "refused";
} // namespace Result

namespace Event {
constexpr char LOG_LINE[] = "log";
constexpr char STATUS[] = "status";
constexpr char RESULT[] = "result";
constexpr char STOP[] = "stop";
} // namespace Event

// ISO 8601 in UTC with milliseconds: "2026-11-01T21:42:18.123Z".
QString JsonTime(const QDateTime &time);
// {"time", "kind", "text"}, kind "info", "error" or "status".
QJsonObject LogEntryJson(const LogEntry &entry);

#endif
