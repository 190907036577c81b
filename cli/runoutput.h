#ifndef CLI_RUNOUTPUT_H
#define CLI_RUNOUTPUT_H

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QVector>

#include <cstdio>

class UnitProcess;
struct UnitRecord;

// Writes text as UTF-8 and flushes, so that a script reading the pipe sees each line as it
// comes. Output that has gone away is not an error: the units go on.
void Print(std::FILE *stream, const QString &text);
void PrintLine(std::FILE *stream, const QString &line);
// One line on stderr, headed by the program's name.
void PrintError(const QString &line);

// What a person or a script sees while the units run: on a terminal one live line a unit,
// redrawn in place; otherwise one line an event, headed by its time and port; with --json
// one JSON object an event. At the end, a table, or with --json one record a unit.
class RunOutput : public QObject
{
    Q_OBJECT

public:
    enum Mode { Live, Lines, Json };

    RunOutput(Mode mode, const QVector<UnitProcess *> &units);
    // Json when asked for, else Live on a terminal and Lines elsewhere.
    static Mode modeFor(bool json);

    void showEvent(const QJsonObject &event);
    // cause names the stop: "Ctrl-C", "SIGTERM".
    void showStopping(const QString &cause, int count);
    // A unit's record as --json's final object for it.
    static QJsonObject recordEvent(const UnitRecord &record);
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
