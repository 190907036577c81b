#ifndef TESTS_FLASHRECORD_H
#define TESTS_FLASHRECORD_H

#include <QJsonObject>
#include <QString>

// A flash's record as the command line writes it, its own id, started minutes after
// 06:00 UTC on a fixed day and taking seconds.
QJsonObject FlashRecord(const QString &unit, const QString &station, const QString &result, int minutes,
                        double seconds = 30, const QString &sha256 = "aa", const QString &failedStep = QString());

#endif
