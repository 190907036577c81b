#ifndef REHEARSAL_WALKTHROUGH_H
#define REHEARSAL_WALKTHROUGH_H

#include <QByteArray>
#include <QDir>
#include <QObject>
#include <QString>
#include <QTimer>

class EcuSimulator;
class Norvane;
class QPushButton;

// Plays a technician's session on the window by itself: connect, choose the sample,
// Flash, Verify, Erase; prints the log as it grows and keeps a screenshot of each step.
class Walkthrough : public QObject
{
    Q_OBJECT

public:
    Walkthrough(Norvane &window, EcuSimulator &unit, const QString &samplePath,
                quint32 sampleAddress, const QByteArray &sample, const QDir &shots);

    // True when every operation succeeded and the unit held the image after the Flash.
    bool run();

private:
    bool operate(QPushButton *button, const QString &successLine, const QString &shotName);
    void answerModal();
    void printNewLogLines();
    void saveShot(const QString &name);

    Norvane &window;
    EcuSimulator &unit;
    QString samplePath;
    quint32 sampleAddress;
    QByteArray sample;
    QDir shots;
    QTimer modalWatch;
    QStringList printed;
    int refusals = 0;
};

#endif
