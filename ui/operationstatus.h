#ifndef UI_OPERATIONSTATUS_H
#define UI_OPERATIONSTATUS_H

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include "connection/operationlistener.h"

class QLabel;
class QStatusBar;

// What the status bar keeps: the chosen image's summary, and where the running operation
// stands (the step; in the transfer the frame and the time left) or how the last one ended.
// Both live in widgets of the bar's own, which the status tips of menus and tooltips never
// touch. The operations tell it where they are.
class OperationStatus : public QObject, public OperationListener
{
    Q_OBJECT

public:
    explicit OperationStatus(QStatusBar *bar);

    // The short form is shown, the whole text is its tooltip; empty texts clear it.
    void showSummary(const QString &shortText, const QString &wholeText);
    // A reason stays in the bar until the next operation begins or the file is chosen again.
    void showReason(const QString &text);
    void clearReason();
    // The operation's part of the bar, as shown.
    QString text() const;

    void operationBegan(Operation operation) override;
    void stepBegan(Step step) override;
    void transferBegan(int frames, qint32 baudRate) override;
    void frameTaken(int framesDone, int frames) override;
    void operationEnded(Outcome outcome, const QString &failedStep, const QString &cause) override;

private:
    void show();
    void showOperation(const QString &text);
    QString elapsedText() const;

    QLabel *summary;
    QLabel *operationLabel;
    QTimer tick;
    QElapsedTimer operationClock;
    bool running = false;
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
