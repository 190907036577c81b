#ifndef RECORDS_LINEREPORT_H
#define RECORDS_LINEREPORT_H

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QVector>

// What a line asks of its flashes, per station and in all. Only flashes count: a skipped
// unit was not worked, and verify and erase are not flashes.
class LineReport
{
public:
    struct Figures {
        // Unit identities flashed; a flash without one counts as a unit of its own.
        int units = 0;
        int successes = 0;
        // The share of units whose first flash succeeded; negative when there were none.
        double firstPassYield = -1;
        // Units over the hours from the first start to the last finish; negative if no time.
        double unitsPerHour = -1;
        // Of the flashes that succeeded, in seconds; negative when none did.
        double medianFlashSeconds = -1;
        // The red line that ended a flash, and how often.
        QMap<QString, int> failuresByStep;
    };

    // records: oldest first.
    explicit LineReport(const QVector<QJsonObject> &records);

    const Figures &all() const;
    const QMap<QString, Figures> &stations() const;

    QJsonObject toJson() const;
    QString toText() const;

private:
    static Figures FiguresOf(const QVector<QJsonObject> &flashes);

    Figures total;
    QMap<QString, Figures> perStation;
};

#endif
