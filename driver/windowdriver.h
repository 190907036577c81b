#ifndef DRIVER_WINDOWDRIVER_H
#define DRIVER_WINDOWDRIVER_H

#include <QString>
#include <QStringList>

#include "connection/operationlistener.h"
#include "driver/modalanswerer.h"

class Norvane;
class QPushButton;

// Works the window as a technician would, for everything that runs an operation without
// one: the rehearsal, the command line, the tests and the benchmarks. Every step goes
// through the window's own widgets, so what they run is exactly what a person's clicks run;
// how an operation ended, the window tells it.
class WindowDriver : public OperationListener
{
public:
    enum Operation { Flash, Verify, Erase };

    explicit WindowDriver(Norvane &window);
    ~WindowDriver() override;

    // Puts the port into the list, selects it and the rate, and presses Connect.
    bool connectTo(const QString &portPath, const QString &baudText = "115200");
    // Presses Disconnect if connected; true once the port is closed.
    bool disconnectPort();
    // Presses Browse and answers the file dialog with the path; true when the window took it.
    bool chooseRomFile(const QString &path);
    // Presses the operation's button; true when the window told that it succeeded.
    bool run(Operation operation);
    // Asks the running operation to end before its next exchange, without Reset.
    void stop();

    // How the last operation ended; Failed also when a refusal kept it from beginning.
    Outcome outcome() const { return told; }
    // The operation's own red line and the first red line before it; empty on success.
    QString failedStep() const { return toldStep; }
    QString cause() const { return toldCause; }
    // What the status bar says of the operation: the step, the frame, the time left, the
    // end, or a reason shown meanwhile.
    QString statusText() const;

    QPushButton *button(Operation operation) const;
    QStringList logLines() const;
    QString lastLogLine() const;
    // The last red line logged, or an empty text.
    QString lastErrorLine() const;

    ModalAnswerer answerer;

    void operationEnded(Outcome outcome, const QString &failedStep, const QString &cause) override;

private:
    Norvane &window;
    Outcome told = Outcome::Failed;
    QString toldStep;
    QString toldCause;
};

#endif
