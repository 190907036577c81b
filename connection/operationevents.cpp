#include "connection/operationevents.h"

void OperationEvents::add(OperationListener *listener)
{
    if (!listeners.contains(listener))
        listeners.append(listener);
}

void OperationEvents::remove(OperationListener *listener)
{
    listeners.removeAll(listener);
}

void OperationEvents::operationBegan(Operation operation)
{
    for (OperationListener *listener : listeners)
        listener->operationBegan(operation);
}

void OperationEvents::stepBegan(Step step)
{
    for (OperationListener *listener : listeners)
        listener->stepBegan(step);
}

void OperationEvents::transferBegan(int frames, qint32 baudRate)
{
    for (OperationListener *listener : listeners)
        listener->transferBegan(frames, baudRate);
}

void OperationEvents::frameTaken(int framesDone, int frames)
{
    for (OperationListener *listener : listeners)
        listener->frameTaken(framesDone, frames);
}

void OperationEvents::answerDropped(DroppedAnswer why, const QString &text)
{
    for (OperationListener *listener : listeners)
        listener->answerDropped(why, text);
}

void OperationEvents::operationEnded(Outcome outcome, const QString &failedStep, const QString &cause)
{
    for (OperationListener *listener : listeners)
        listener->operationEnded(outcome, failedStep, cause);
}
