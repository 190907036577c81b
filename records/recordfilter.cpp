#include "records/recordfilter.h"

QDateTime ReadFilterTime(const QString &text)
{
    QDateTime time = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!time.isValid())
        time = QDateTime(QDate::fromString(text, Qt::ISODate), QTime(0, 0));
    return time;
}

QString RecordTimeText(const QDateTime &time)
{
    return time.toUTC().toString(Qt::ISODateWithMs);
}
