#ifndef CLI_RUNOUTPUT_H
#define CLI_RUNOUTPUT_H

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

class UnitProcess;

// What a person or a script sees while the units run: on a terminal one live line a unit,
// redrawn in place; otherwise one line an event, headed by its time and port; with --json
// one JSON object an event. At the end, a table, or with --json one record a unit.
class RunOutput : public QObject
{
    Q_OBJECT

public:
    enum Mode { Live, Lines, Json };

    RunOutput(Mode mode, const QVector<UnitProcess *> &units);

    void showEvent(const QJsonObject &event);
    void showStopping(int count);
    void showFinished(const UnitProcess &unit);
    void showEnd();

private:
    void redraw();
    void showTable();
    QString liveLine(const UnitProcess &unit) const;

    Mode mode;
    QVector<UnitProcess *> units;
    QTimer tick;
    int drawnLines = 0;
    QString footer;
};

#endif
