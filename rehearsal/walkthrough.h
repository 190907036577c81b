#ifndef REHEARSAL_WALKTHROUGH_H
#define REHEARSAL_WALKTHROUGH_H

#include <QByteArray>
#include <QDir>
#include <QObject>
#include <QString>
#include <QStringList>

#include "driver/windowdriver.h"

class EcuSimulator;
class Norvane;

// Plays a technician's session on the window by itself: connect, choose the sample,
// Flash, Verify, Erase; prints the log as it grows and keeps a screenshot of each step.
class Walkthrough : public QObject
{
    Q_OBJECT

public:
    Walkthrough(Norvane &window, EcuSimulator &unit, const QString &samplePath, quint32 sampleAddress,
                const QByteArray &sample, const QDir &shots);

    // True when every operation succeeded and the unit held the image after the Flash.
    bool run();
    // What it is doing now, for a watchdog to name.
    const QString *currentStep() const { return &step; }

private:
    bool connectAndChoose();
    bool operate(WindowDriver::Operation operation, const QString &shotName);
    void begin(const QString &name);
    void printNewLogLines();
    void saveShot(const QString &name);

    Norvane &window;
    WindowDriver driver;
    EcuSimulator &unit;
    QString samplePath;
    quint32 sampleAddress;
    QByteArray sample;
    QDir shots;
    QString step;
    QStringList printed;
};

#endif
