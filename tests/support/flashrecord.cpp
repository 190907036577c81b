#include "support/flashrecord.h"

#include <QDateTime>
#include <QUuid>

#include "records/recordfilter.h"
#include "records/recordkeys.h"

namespace {

const QDateTime SHIFT_START = QDateTime(QDate(2026, 12, 8), QTime(6, 0), Qt::UTC);

} // namespace

QJsonObject FlashRecord(const QString &unit, const QString &station, const QString &result, int minutes, double seconds,
                        const QString &sha256, const QString &failedStep)
{
    const QDateTime started = SHIFT_START.addSecs(minutes * 60);
    return {{Key::ID, QUuid::createUuid().toString(QUuid::WithoutBraces)},
            {Key::UNIT, unit},
            {Key::STATION, station},
            {Key::OPERATION, "flash"},
            {Key::IMAGE, QJsonObject{{Key::SHA256, sha256}}},
            {Key::STARTED, RecordTimeText(started)},
            {Key::FINISHED, RecordTimeText(started.addMSecs(qint64(seconds * 1000)))},
            {Key::DURATION, seconds},
            {Key::RESULT, result},
            {Key::FAILED_STEP, failedStep.isEmpty() ? QJsonValue() : QJsonValue(failedStep)}};
}
