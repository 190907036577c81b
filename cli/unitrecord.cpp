#include "cli/unitrecord.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include "app/version.h"
#include "rom/regularfile.h"

namespace {

const char *const RESULT_NAMES[] = {Result::SUCCESS, Result::FAILED,  Result::INTERRUPTED,
                                    Result::KILLED,  Result::REFUSED, Result::SKIPPED};
const UnitResult RESULTS[] = {UnitResult::Success, UnitResult::Failed,  UnitResult::Interrupted,
                              UnitResult::Killed,  UnitResult::Refused, UnitResult::Skipped};

QJsonValue TextOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonObject ImageJson(const ImageSummary &image)
{
    return {{Key::FIRST, qint64(image.first)},
            {Key::LAST, qint64(image.last)},
            {Key::SIZE, image.size},
            {Key::CRC32, Crc32Text(image.crc32)},
            {Key::SHA256, QString::fromLatin1(image.sha256.toHex())}};
}

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

QString ResultName(UnitResult result)
{
    return RESULT_NAMES[int(result)];
}

bool ResultFromName(const QString &name, UnitResult *result)
{
    for (UnitResult candidate : RESULTS) {
        if (name == ResultName(candidate)) {
            *result = candidate;
            return true;
        }
    }
    return false;
}

QJsonObject UnitRecord::toJson() const
{
    return {{Key::ID, id.toString(QUuid::WithoutBraces)},
            {Key::UNIT, TextOrNull(unit)},
            {Key::STATION, station},
            {Key::OPERATOR, TextOrNull(operatorName)},
            {Key::VERSION, VARNHOLT_VERSION},
            {Key::OPERATION, operation},
            {Key::PORT, port},
            {Key::BAUD, baud},
            {Key::FILE_PATH, TextOrNull(file)},
            {Key::IMAGE, hasImage ? QJsonValue(ImageJson(image)) : QJsonValue()},
            {Key::STARTED, JsonTime(started)},
            {Key::FINISHED, JsonTime(finished)},
            {Key::DURATION, started.msecsTo(finished) / 1000.0},
            {Key::RESULT, ResultName(result)},
            {Key::FAILED_STEP, TextOrNull(failedStep)},
            {Key::ATTEMPTS, attempts},
            {Key::DROPPED, QJsonObject{{Key::COPY, droppedCopies}, {Key::TOO_SOON, droppedTooSoon}}},
            {Key::LOG, log}};
}

QString JsonTime(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}

QJsonObject LogEntryJson(const LogEntry &entry)
{
    return {{Key::TIME, JsonTime(entry.time)}, {Key::KIND, KindName(entry.kind)}, {Key::TEXT, entry.text}};
}

QByteArray CompactJson(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

// A FIFO or a device as the record would wait in its open, deaf to Ctrl-C: whatever is
// there is looked at without waiting first.
bool OpenRecord(QFile *file, QString *error)
{
    QString reason;
    QFile existing(file->fileName());
    const bool usable = !QFileInfo::exists(file->fileName()) || OpenRegularFile(existing, &reason);
    if (usable && file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return true;
    *error = QString("cannot write the record %1: %2").arg(file->fileName(), usable ? file->errorString() : reason);
    return false;
}

// A half line would have the next line glued onto it: what was written of it is taken back.
bool AppendRecord(QFile *file, const UnitRecord &record, QString *error)
{
    const QByteArray line = CompactJson(record.toJson()) + '\n';
    const qint64 before = file->size();
    if (file->write(line) == line.size())
        return true;
    *error = QString("the record %1 lacks the line of %2: %3").arg(file->fileName(), record.port, file->errorString());
    file->resize(before);
    return false;
}
