#ifndef CONNECTION_AVAILABLEPORTS_H
#define CONNECTION_AVAILABLEPORTS_H

#include <QString>
#include <QVector>

// The serial ports the system reports. No adapter can be plugged in or pulled out for a
// test, so a test hands in the list the system would report instead.
class AvailablePorts
{
public:
    struct Port {
        QString name;
        QString description;
    };

    static QVector<Port> list();

    // Listed instead of the system's ports until useSystemPorts().
    static void standIn(const QVector<Port> &ports);
    static void useSystemPorts();

private:
    static bool standingIn;
    static QVector<Port> given;
};

#endif
