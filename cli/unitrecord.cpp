#include "cli/unitrecord.h"

#include <QFile>
#include <QJsonDocument>

#include "app/version.h"
#include "cli/unitevents.h"

namespace {

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

bool OpenForAppending(QFile *file, QString *error)
{
    if (file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return true;
    *error = QString("cannot write the record %1: %2").arg(file->fileName(), file->errorString());
    return false;
}

} // namespace

QJsonObject UnitRecord::toJson() const
{
    return {{Key::VERSION, VARNHOLT_VERSION},
            {Key::OPERATION, operation},
            {Key::PORT, port},
            {Key::BAUD, baud},
            {Key::FILE_PATH, TextOrNull(file)},
            {Key::IMAGE, hasImage ? QJsonValue(ImageJson(image)) : QJsonValue()},
            {Key::STARTED, JsonTime(started)},
            {Key::FINISHED, JsonTime(finished)},
            {Key::DURATION, started.msecsTo(finished) / 1000.0},
            {Key::RESULT, result},
            {Key::FAILED_STEP, TextOrNull(failedStep)},
            {Key::LOG, log}};
}

bool AppendRecord(const QString &path, const UnitRecord &record, QString *error)
{
    QFile file(path);
    if (!OpenForAppending(&file, error))
        return false;
    const QByteArray line = QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact) + '\n';
    if (file.write(line) == line.size())
        return true;
    *error = QString("the record %1 lacks the line of %2: %3").arg(path, record.port, file.errorString());
    return false;
}

bool CanAppendTo(const QString &path, QString *error)
{
    QFile file(path);
    return OpenForAppending(&file, error);
}
