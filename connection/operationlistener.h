#ifndef CONNECTION_OPERATIONLISTENER_H
#define CONNECTION_OPERATIONLISTENER_H

#include <QString>

// Where an operation stands, told at the moments it logs, so that nothing has to read the
// log's texts to learn it. Every call has an empty default: a listener takes what it needs.
class OperationListener
{
public:
    enum class Operation { Verify, Erase, Flash };
    enum class Step { JumpToBootloader, Erase, Transfer, Verify, Reset };
    enum class Outcome {
        Succeeded,
        // A step failed; the unit may have been touched.
        Failed,
        // The file was refused before anything reached the unit.
        FileRefused,
        // The port went away under the operation.
        LineLost,
        // Ended on request before its next exchange, without Reset.
        Stopped
    };
    // Why an answer-shaped frame that came during an operation was not taken as its answer.
    enum class DroppedAnswer {
        // A copy of an earlier answer: another command's success status, or this command's
        // before the request could have been answered.
        Copy,
        // It came sooner than the chosen rate allows, beyond the clocks' tolerance.
        TooSoon
    };

    virtual ~OperationListener() = default;

    virtual void operationBegan(Operation operation) { Q_UNUSED(operation) }
    virtual void stepBegan(Step step) { Q_UNUSED(step) }
    virtual void transferBegan(int frames, qint32 baudRate)
    {
        Q_UNUSED(frames)
        Q_UNUSED(baudRate)
    }
    virtual void frameTaken(int framesDone, int frames)
    {
        Q_UNUSED(framesDone)
        Q_UNUSED(frames)
    }
    // text names the drop for a person, as the status bar shows it.
    virtual void answerDropped(DroppedAnswer why, const QString &text)
    {
        Q_UNUSED(why)
        Q_UNUSED(text)
    }
    // failedStep is the operation's own red line, cause the first red line before it (the
    // exchange's reason); both empty on success.
    virtual void operationEnded(Outcome outcome, const QString &failedStep, const QString &cause)
    {
        Q_UNUSED(outcome)
        Q_UNUSED(failedStep)
        Q_UNUSED(cause)
    }
};

#endif
