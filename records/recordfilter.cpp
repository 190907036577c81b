#include "records/recordfilter.h"

#include <algorithm>

bool IsUnitId(const QString &text)
{
    return !text.isEmpty() && text.size() <= UNIT_ID_MAX
        && std::all_of(text.begin(), text.end(), [](QChar c) { return c.isPrint(); });
}

QDateTime ReadFilterTime(const QString &text)
{
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        time = QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0));
    return time;
}

QString FilterTimeMisfit(const QString &option, const QString &text, QDateTime *time)
{
    *time = ReadFilterTime(text);
    return time->isValid()
        ? QString()
        : QString("--%1 %2 is not a time: give e.g. 2026-12-08 or 2026-12-08T06:00").arg(option, text);
}

QString RecordTimeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}
