#ifndef FAULTOPTIONS_H
#define FAULTOPTIONS_H

#include <QCommandLineOption>
#include <QPair>
#include <QString>
#include <QVector>

class EcuSimulator;
class QCommandLineParser;

// What can go wrong on a simulated unit's line, as command-line options: ecu-sim and the
// rehearsal take the same ones.
class FaultOptions
{
public:
    FaultOptions();

    void addTo(QCommandLineParser &parser) const;
    // False, with what is wrong, when a value cannot be used.
    bool read(const QCommandLineParser &parser, QString *error);
    // Before the unit starts.
    void applyTo(EcuSimulator &unit) const;
    // The rate given with --baud; 0 when the unit keeps the rate the port sets.
    int baudRate() const { return baud; }

private:
    bool readAnswerFaults(const QCommandLineParser &parser, QString *error);

    QCommandLineOption baudOption;
    QCommandLineOption silentOption;
    QCommandLineOption failOption;
    QCommandLineOption hangUpOption;
    QCommandLineOption clockErrorOption;
    QCommandLineOption copyOption;
    QCommandLineOption refuseFrameOption;
    int baud = 0;
    QVector<quint8> silentCodes;
    QVector<quint8> failCodes;
    int hangUpAfter = 0;
    double clockErrorPercent = 0;
    // (command code, ms after the answer)
    QVector<QPair<quint8, int>> copies;
    int refusedFrame = 0;
};

#endif // FAULTOPTIONS_H
