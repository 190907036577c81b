#ifndef CLI_STOPSIGNAL_H
#define CLI_STOPSIGNAL_H

#include <QObject>
#include <QTimer>

// Ctrl-C, and for a unit process also a "stop" line on its input or the input's end (the
// command line gone), as one signal on the event loop, which runs through every wait.
class StopSignal : public QObject
{
    Q_OBJECT

public:
    enum Sources { CtrlC, CtrlCOrInput };

    explicit StopSignal(Sources sources);

    // How many stops have come: a second Ctrl-C asks for more haste than the first.
    int count() const { return seen; }

signals:
    void stopRequested(int count);

private:
    void look();

    QTimer poll;
    int seen = 0;
};

// What the command line writes to a unit process to stop it.
constexpr char STOP_LINE[] = "stop\n";

#endif
