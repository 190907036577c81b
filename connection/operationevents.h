#ifndef CONNECTION_OPERATIONEVENTS_H
#define CONNECTION_OPERATIONEVENTS_H

#include <QVector>

#include "connection/operationlistener.h"

// Tells every listener what the window's operations tell it; the window owns one.
class OperationEvents : public OperationListener
{
public:
    void add(OperationListener *listener);
    void remove(OperationListener *listener);

    void operationBegan(Operation operation) override;
    void stepBegan(Step step) override;
    void transferBegan(int frames, qint32 baudRate) override;
    void frameTaken(int framesDone, int frames) override;
    void answerDropped(DroppedAnswer why, const QString &text) override;
    void operationEnded(Outcome outcome, const QString &failedStep, const QString &cause) override;

private:
    QVector<OperationListener *> listeners;
};

#endif
