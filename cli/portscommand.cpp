#include "cli/commands.h"

#include <QSerialPortInfo>

#include "cli/console.h"
#include "cli/exitstatus.h"

int RunPorts()
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    if (ports.isEmpty())
        PrintLine(stdout, "No serial ports found.");
    for (const QSerialPortInfo &port : ports) {
        QStringList about;
        for (const QString &text : {port.description(), port.manufacturer(), port.serialNumber()})
            if (!text.isEmpty())
                about << text;
        PrintLine(stdout, QString("%1  %2").arg(port.systemLocation(), about.isEmpty() ? "(no description)"
                                                                                     : about.join(", ")));
    }
    return ExitAllSucceeded;
}
