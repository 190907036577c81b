#include "app/norvane.h"

#include <QEventLoop>
#include <QMessageLogger>
#include <QSerialPort>

#include "protocol/earlyanswers.h"
#include "protocol/timings.h"

// Sends one request and collects its answer: a well-formed frame carrying one of the
// statuses in answers, or a refusal. Another command's success status is a copy of an
// earlier answer and is dropped; so is what comes before the request could have been
// answered. A refusal that came meanwhile is the answer once the request has left whole.
CommandResult Norvane::Exchange(const QByteArray &request, const QByteArray &answers, QByteArray *response)
{
    // A stop takes effect between exchanges, so no frame is ever cut.
    if (stopRequested)
        return Stopped;
    // An earlier request still going out is let go whole, never cut.
    QElapsedTimer sinceStart;
    sinceStart.start();
    CommandResult result = WaitForOutputToLeave(sinceStart, 0);
    if (result != Success)
        return result;

    ClaimWaitingBytes();
    // A write error seen while waiting must be this request's, not an earlier one's.
    serialPort->clearError();
    requestAnswers = answers;
    requestClock.start();
    answerDueNs = AnswerDueNs(request.size(), serialPort->baudRate());
    if (serialPort->write(request) < 0)
        result = WriteTimedOut;
    else
        result = WaitForOutputToLeave(requestClock, answerDueNs);
    if (result == Success && !heldRefusal.isEmpty()) {
        // The failure clears the port's output: the line first carries the request whole.
        result = WaitForOutputToLeave(requestClock, LeastLineTimeNs(request.size(), serialPort->baudRate()));
        *response = heldRefusal;
        heldRefusal.clear();
    } else if (result == Success) {
        result = CollectResponse(answers, response);
    }
    answerDueNs = -1;
    earlyAnswers.clear();
    if (result == Success) {
        lastAnswerStatus = quint8(response->at(RESPONSE_STATUS_OFFSET));
        unnamedDrop.clear();
    }
    return result;
}

// Every queued byte handed to the system and, counted from the write, the line's time for
// them over. Bounded by that time and a margin: a port that holds its output longer is stuck.
CommandResult Norvane::WaitForOutputToLeave(const QElapsedTimer &since, qint64 lineNs)
{
    const qint64 boundMs = LineTimeMs(serialPort->bytesToWrite(), serialPort->baudRate())
        + lineNs / 1000000 + REQUEST_LEAVE_MARGIN_MS;
    for (;;) {
        const qint64 queued = serialPort->bytesToWrite();
        const qint64 lineLeftMs = (lineNs - since.nsecsElapsed() + 999999) / 1000000;
        if (queued == 0 && lineLeftMs <= 0)
            return Success;
        if (serialPort->error() == QSerialPort::WriteError)
            return WriteTimedOut;
        if (!serialPort->isOpen() || LineLost())
            return ReadTimedOut;
        if (since.elapsed() >= boundMs) {
            QMessageLogger().debug("Frame write timed out! %lld bytes still queued after %lld ms",
                                   queued, since.elapsed());
            return WriteTimedOut;
        }
        // Bytes that arrive once the time is over may be the answer: they end the wait at once.
        QEventLoop loop;
        connect(serialPort, &QSerialPort::bytesWritten, &loop, &QEventLoop::quit);
        connect(serialPort, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
        WaitOnLine(&loop, int(qMax<qint64>(1, queued > 0 ? boundMs - since.elapsed() : lineLeftMs)));
    }
}

// Eight bytes make a frame; more in one read spoil it. A copy of another command's answer
// is dropped and the wait goes on.
CommandResult Norvane::CollectResponse(const QByteArray &answers, QByteArray *response)
{
    for (;;) {
        response->clear();
        while (response->size() < RESPONSE_FRAME_SIZE) {
            if (!WaitForResponseBytes(RESPONSE_WAIT_MS)) {
                if (serialPort->error() == QSerialPort::WriteError)
                    return WriteTimedOut;
                QMessageLogger().debug("Frame read timed out!");
                return ReadTimedOut;
            }
            response->append(serialPort->readAll());
        }

        BootProtocol responseProtocol(FlashApplication);
        if (!responseProtocol.CheckResponseFrame(*response)) {
            QMessageLogger().debug("Invalid Response frame");
            return InvalidResponseFrame;
        }
        const quint8 status = quint8(response->at(RESPONSE_STATUS_OFFSET));
        if (!IsSuccessStatus(status) || answers.contains(char(status)))
            return Success;
        DropAnswer(OperationListener::DroppedAnswer::Copy);
    }
}

// The request has left: no byte of it waits in the port, and the line has had its time.
bool Norvane::AnswerIsDue() const
{
    return answerDueNs >= 0 && serialPort->bytesToWrite() == 0 && requestClock.nsecsElapsed() >= answerDueNs;
}
