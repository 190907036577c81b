#ifndef CLI_UNITRECORD_H
#define CLI_UNITRECORD_H

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include "rom/imagesummary.h"
#include "ui/logentry.h"

class QFile;

// How a unit's operation ended; a word only in JSON and on the terminal.
enum class UnitResult { Success, Failed, Interrupted, Refused };

QString ResultName(UnitResult result);
bool ResultFromName(const QString &name, UnitResult *result);

// The words of the record, of --json and of what a unit process tells the command line.
// The record's keys are an interface: the man page lists them.
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

namespace Event {
constexpr char LOG_LINE[] = "log";
constexpr char STATUS[] = "status";
constexpr char RESULT[] = "result";
constexpr char STOP[] = "stop";
} // namespace Event

// What went into one unit, and when: one line of the record file, and the final object of
// --json.
struct UnitRecord {
    QString operation;
    QString port;
    int baud = 0;
    // Empty for Verify and Erase.
    QString file;
    bool hasImage = false;
    ImageSummary image;
    QDateTime started;
    QDateTime finished;
    UnitResult result = UnitResult::Failed;
    // What ended it, or what kept the operation from running; empty on success.
    QString failedStep;
    // {"time", "kind", "text"} for every log line.
    QJsonArray log;

    QJsonObject toJson() const;
};

// ISO 8601 in UTC with milliseconds: "2026-11-01T21:42:18.123Z".
QString JsonTime(const QDateTime &time);
// {"time", "kind", "text"}, kind "info", "error" or "status".
QJsonObject LogEntryJson(const LogEntry &entry);
// One JSON object on one line, without its newline: the record's, --json's and the units'.
QByteArray CompactJson(const QJsonObject &object);

// Opens the record for appending, for the whole run: one that cannot be written is found
// out before any unit is touched.
bool OpenRecord(QFile *file, QString *error);
// Appends the record as one line, in a single write, so that two runs sharing the file
// never interleave; what the file held is never changed.
bool AppendRecord(QFile *file, const UnitRecord &record, QString *error);

#endif
