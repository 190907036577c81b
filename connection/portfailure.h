#ifndef CONNECTION_PORTFAILURE_H
#define CONNECTION_PORTFAILURE_H

#include <QString>

class QSerialPort;

// Why the port would not open, as the system gave it, with what to do about a
// permission problem: the window's status bar and the command line both say this.
QString PortFailureReason(const QSerialPort &port);

#endif
