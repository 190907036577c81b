#include "app/norvane.h"

#include <QSerialPort>

#include "protocol/answertexts.h"
#include "protocol/earlyanswers.h"

// Before a request goes out. What the port holds came while no answer was due; what the
// system still queues came while nothing read the line, before this request: it is dropped.
void Norvane::ClaimWaitingBytes()
{
    // Outside an operation, only a refusal that comes during this exchange counts.
    if (!busy)
        heldRefusal.clear();
    if (!serialPort->isOpen())
        return;
    TakeUnclaimedBytes(serialPort->readAll());
    DiscardInput();
}

// What the line brings while no answer is due. Outside an operation it is read away. During
// one, a refusal is held as the answer of the exchange under way or the next, so that it is
// never lost; a frame with a success status is dropped: a copy, or an answer that came
// sooner than the line's rate allows.
void Norvane::TakeUnclaimedBytes(const QByteArray &bytes)
{
    if (!busy && answerDueNs < 0) {
        earlyAnswers.clear();
        heldRefusal.clear();
        return;
    }
    for (const QByteArray &frame : earlyAnswers.take(bytes)) {
        const quint8 status = quint8(frame.at(RESPONSE_STATUS_OFFSET));
        if (!IsSuccessStatus(status)) {
            if (heldRefusal.isEmpty())
                heldRefusal = frame;
        } else if (answerDueNs >= 0 && requestAnswers.contains(char(status)) && status != lastAnswerStatus) {
            DropAnswer(OperationListener::DroppedAnswer::TooSoon);
        } else {
            DropAnswer(OperationListener::DroppedAnswer::Copy);
        }
    }
}

void Norvane::DropAnswer(OperationListener::DroppedAnswer why)
{
    const QString text = why == OperationListener::DroppedAnswer::Copy
        ? tr(ANSWER_COPY_DROPPED)
        : tr(ANSWER_TOO_SOON_DROPPED).arg(serialPort->baudRate());
    ++droppedAnswers;
    unnamedDrop = text;
    operationEvents.answerDropped(why, text);
    ShowStatusReason(tr(ANSWERS_DROPPED_STATUS).arg(droppedAnswers).arg(text));
}

// A failure that follows a dropped answer says so, rather than a bare time-out.
void Norvane::NameDropInFailure(CommandResult result, const char *failureLine)
{
    if (unnamedDrop.isEmpty() || (result != ReadTimedOut && result != InvalidResponseFrame))
        return;
    ShowStatusReason(tr(FAILED_AFTER_DROP).arg(tr(failureLine), unnamedDrop));
    unnamedDrop.clear();
}

void Norvane::ForgetEarlierAnswers()
{
    earlyAnswers.clear();
    heldRefusal.clear();
    droppedAnswers = 0;
    unnamedDrop.clear();
}
