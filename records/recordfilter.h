#ifndef RECORDS_RECORDFILTER_H
#define RECORDS_RECORDFILTER_H

#include <QDateTime>
#include <QString>

// Which records a question is about; an empty or invalid member does not narrow it.
struct RecordFilter {
    QString unit;
    QString station;
    // Records that started at or after since, and before until.
    QDateTime since;
    QDateTime until;
};

// A unit's identity, as scanned: 1 to UNIT_ID_MAX printable characters.
constexpr int UNIT_ID_MAX = 64;
bool IsUnitId(const QString &text);

// Reads an ISO 8601 date ("2026-12-08", midnight) or time ("2026-12-08T06:00", "...Z",
// "...+01:00"); without an offset it is the station's local time. Invalid if unreadable.
QDateTime ReadFilterTime(const QString &text);
// Reads the time of an option into time; what is wrong with it, or an empty text.
QString FilterTimeMisfit(const QString &option, const QString &text, QDateTime *time);
// The records' own time format: ISO 8601 in UTC with milliseconds, "2026-11-01T21:42:18.123Z".
QString RecordTimeText(const QDateTime &time);

#endif
