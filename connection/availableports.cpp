#include "connection/availableports.h"

#include <QSerialPortInfo>

bool AvailablePorts::standingIn = false;
QVector<AvailablePorts::Port> AvailablePorts::given;

QVector<AvailablePorts::Port> AvailablePorts::list()
{
    if (standingIn)
        return given;
    QVector<Port> ports;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ports.append({info.portName(), info.description()});
    return ports;
}

void AvailablePorts::standIn(const QVector<Port> &ports)
{
    standingIn = true;
    given = ports;
}

void AvailablePorts::useSystemPorts()
{
    standingIn = false;
    given.clear();
}
