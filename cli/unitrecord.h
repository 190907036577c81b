#ifndef CLI_UNITRECORD_H
#define CLI_UNITRECORD_H

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include "rom/imagesummary.h"

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
    QString result;
    // The red log line that ended it, or what kept the operation from running; empty if none.
    QString failedStep;
    // {"time", "kind", "text"} for every log line.
    QJsonArray log;

    QJsonObject toJson() const;
};

// Appends the record as one line, written whole in a single write, so that a crash or a
// kill leaves no half line; what the file held is never changed.
bool AppendRecord(const QString &path, const UnitRecord &record, QString *error);
// Opens the file for appending and closes it again: a record that cannot be written is
// found out before any unit is touched.
bool CanAppendTo(const QString &path, QString *error);

#endif
