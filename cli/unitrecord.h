#ifndef CLI_UNITRECORD_H
#define CLI_UNITRECORD_H

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <QUuid>

#include "records/recordkeys.h"
#include "rom/imagesummary.h"
#include "ui/logentry.h"

class QFile;

// How a unit's operation ended; a word only in JSON and on the terminal.
enum class UnitResult {
    Success,
    Failed,
    // Stopped at a safe point on request.
    Interrupted,
    // Its process killed on a second stop, perhaps in the middle of a frame.
    Killed,
    // The file was refused before anything was sent.
    Refused,
    // The unit already held the image: nothing was sent to it.
    Skipped
};

QString ResultName(UnitResult result);
bool ResultFromName(const QString &name, UnitResult *result);

// The record's keys that only the command line fills in, and the words of --json and of
// what a unit process tells it; the other keys are the records' (records/recordkeys.h).
namespace Key {
constexpr char ATTEMPTS[] = "attempts";
constexpr char DROPPED[] = "dropped";
constexpr char COPY[] = "copy";
constexpr char TOO_SOON[] = "too_soon";
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
// --json's last object for each unit: its record.
constexpr char RECORD[] = "record";
} // namespace Event

// What went into one unit, and when: one line of the record file, and the final object of
// --json.
struct UnitRecord {
    QUuid id;
    // The identity given with --unit; empty if none.
    QString unit;
    QString station;
    QString operatorName;
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
    // {"started", "result", "failed_step"} for each run of the operation: more than one
    // after --retries.
    QJsonArray attempts;
    // How many answers the exchange dropped, by why: {"copy", "too_soon"}.
    int droppedCopies = 0;
    int droppedTooSoon = 0;
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
// never interleave; a line that cannot be written whole is taken back, and what the file
// held is never changed.
bool AppendRecord(QFile *file, const UnitRecord &record, QString *error);

#endif
