#ifndef UI_LOGENTRY_H
#define UI_LOGENTRY_H

#include <QDateTime>
#include <QString>

// One line of the log as it was logged, or a reason the status bar showed: what a saved
// log and the command line's record are made of.
struct LogEntry {
    enum Kind { Info, Error, Status };

    QDateTime time; // UTC
    Kind kind;
    QString text;
};

#endif
