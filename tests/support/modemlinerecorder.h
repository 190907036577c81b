#ifndef MODEMLINERECORDER_H
#define MODEMLINERECORDER_H

#include <QString>
#include <QVector>

// A pseudo-terminal refuses the modem-line ioctls. Linked into a test executable, this file
// defines ioctl() in front of the C library's: requests are passed on, and when a DTR/RTS
// request (TIOCMBIS, TIOCMBIC, TIOCMSET, TIOCMGET) fails with ENOTTY, the lines of that
// descriptor are kept here instead, starting off, and every change is recorded.
class ModemLineRecorder
{
public:
    struct Event {
        qint64 atMs; // std::chrono::steady_clock, ms since its epoch
        QString portPath;
        bool dtr; // the lines after the change
        bool rts;
    };

    static QVector<Event> events(const QString &portPath);
    // Off: the lines are refused again, as on a bare pseudo-terminal.
    static void setEmulating(bool on);
};

#endif // MODEMLINERECORDER_H
