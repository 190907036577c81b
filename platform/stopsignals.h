#ifndef PLATFORM_STOPSIGNALS_H
#define PLATFORM_STOPSIGNALS_H

#include <QObject>
#include <QString>
#include <QTimer>

// The ways a person or a supervisor asks a program to stop: Ctrl-C, SIGTERM, SIGHUP, and on
// Windows the console's close and Ctrl-Break. They arrive as one Qt signal on the event
// loop, which runs through every wait of an operation.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    // Each cause carries the number whose 128 + number is the exit status a shell expects.
    enum Cause { None = 0, HangUp = 1, Interrupt = 2, Terminate = 15 };

    StopSignals();

    // The first stop's cause, and how many stops have come: a second asks for more haste.
    static Cause firstCause();
    static int count();
    static int exitStatus(Cause cause) { return 128 + int(cause); }
    // "Ctrl-C", "SIGTERM", "SIGHUP".
    static QString name(Cause cause);

signals:
    void stopRequested(StopSignals::Cause cause, int count);

private:
    void look();

    QTimer poll;
    int seen = 0;
};

// Called by the platform's console part, and by the signal handlers.
void NoteStop(StopSignals::Cause cause);
// The Windows console's close and Ctrl-Break; nothing elsewhere.
void CatchConsoleEvents();

#endif
