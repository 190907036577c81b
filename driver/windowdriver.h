#ifndef DRIVER_WINDOWDRIVER_H
#define DRIVER_WINDOWDRIVER_H

#include <QString>
#include <QStringList>

#include "driver/modalanswerer.h"

class Norvane;
class QPushButton;

// Works the window as a technician would, for everything that runs an operation without
// one: the rehearsal, the command line, the tests and the benchmarks. Every step goes
// through the window's own widgets, so what they run is exactly what a person's clicks run.
class WindowDriver
{
public:
    enum Operation { Flash, Verify, Erase };

    explicit WindowDriver(Norvane &window);

    // Puts the port into the list, selects it and the rate, and presses Connect.
    bool connectTo(const QString &portPath, const QString &baudText = "115200");
    // Presses Disconnect if connected; true once the port is closed.
    bool disconnectPort();
    // Presses Browse and answers the file dialog with the path; true when the window took it.
    bool chooseRomFile(const QString &path);
    // Presses the operation's button; true when the operation ended in its success line.
    bool run(Operation operation);
    // Asks the running operation to end before its next exchange, without Reset.
    void stop();

    static QString successLine(Operation operation);
    QPushButton *button(Operation operation) const;
    QStringList logLines() const;
    QString lastLogLine() const;
    // The last red line logged, or an empty text.
    QString lastErrorLine() const;

    ModalAnswerer answerer;

private:
    Norvane &window;
};

#endif
