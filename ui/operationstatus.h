#ifndef UI_OPERATIONSTATUS_H
#define UI_OPERATIONSTATUS_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include "connection/operationlistener.h"

class QStatusBar;
struct OperationTexts;

// What the status bar says while an operation runs: the step, and during the transfer the
// frame, the time so far and the time left; at the end, the time it took. An operation's
// log lines, whose texts never change, say where it is, so the status follows them.
class OperationStatus : public QObject, public OperationListener
{
    Q_OBJECT

public:
    explicit OperationStatus(QStatusBar *bar);

    // Every line the log takes, as it is logged.
    void logged(const QString &line);
    // A reason shown meanwhile stays in the bar until the next operation.
    void reasonShown();
    void transferBegan(int frames, qint32 baudRate) override;
    void frameTaken(int framesDone, int frames) override;

private:
    void begin(const char *name, const OperationTexts *texts);
    void end();
    void show();
    QString elapsedText() const;

    QStatusBar *bar;
    QTimer tick;
    QElapsedTimer operationClock;
    const OperationTexts *running = nullptr;
    QString operation;
    QString step;
    bool held = false;

    QElapsedTimer transferClock;
    int frames = 0;
    int framesDone = 0;
    qint64 lastFrameMs = 0;
    qint32 baudRate = 0;
};

#endif
