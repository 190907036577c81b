#include "app/norvane.h"

#include <QSerialPort>

#include "connection/operationtexts.h"
#include "protocol/timings.h"

using Step = OperationListener::Step;

void Norvane::HandleVerifyButton()
{
    if (!BeginOperation())
        return;
    AppendLog(Info, VERIFY_TEXTS.started);
    TellBegan(OperationListener::Operation::Verify);
    if (RunUpToCommand(VERIFY_TEXTS, Step::Verify, &Norvane::RunVerifyApplication))
        FinishWithReset(VERIFY_TEXTS);
}

void Norvane::HandleEraseButton()
{
    if (!BeginOperation())
        return;
    AppendLog(Info, ERASE_TEXTS.started);
    TellBegan(OperationListener::Operation::Erase);
    if (RunUpToCommand(ERASE_TEXTS, Step::Erase, &Norvane::RunEraseApplication))
        FinishWithReset(ERASE_TEXTS);
}

bool Norvane::BeginOperation()
{
    if (RefusedWhileBusy())
        return false;
    if (!serialPort->isOpen()) {
        ShowMessage(tr("Please connect to the port!"), "");
        return false;
    }
    busy = true;
    stopRequested = false;
    ForgetEarlierAnswers();
    return true;
}

// Pulse, Jump to Boot Loader and the operation's own command; false once the sequence stopped.
bool Norvane::RunUpToCommand(const OperationTexts &texts, Step step, bool (Norvane::*command)())
{
    operationEvents.stepBegan(Step::JumpToBootloader);
    PulseControlLines();

    if (!RunJumpToBootloader()) {
        FailOperation(texts.jumpFailed);
        return false;
    }
    AppendLog(Info, texts.jumpSucceeded);
    AppendLog(Info, texts.commandRunning);
    operationEvents.stepBegan(step);
    Pause(COMMAND_DELAY_MS);

    if (!(this->*command)()) {
        FailOperation(texts.commandFailed);
        return false;
    }
    AppendLog(Info, texts.commandSucceeded);
    return true;
}

void Norvane::FinishWithReset(const OperationTexts &texts)
{
    serialPort->setDataTerminalReady(false);
    AppendLog(Info, texts.resetting);
    operationEvents.stepBegan(Step::Reset);
    if (!RunResetECU()) {
        EndOperation(FailureOutcome(), texts.resetFailed);
        return;
    }
    AppendLog(Info, texts.resetSucceeded);
    busy = false;
    operationEvents.operationEnded(OperationListener::Outcome::Succeeded, QString(), QString());
}

void Norvane::PulseControlLines()
{
    if (stopRequested)
        return;
    serialPort->setDataTerminalReady(true);
    serialPort->setRequestToSend(true);
    Pause(LINE_PULSE_MS);
    serialPort->setRequestToSend(false);
    Pause(LINE_SETTLE_MS);
}

void Norvane::TellBegan(OperationListener::Operation operation)
{
    failureCause.clear();
    operationEvents.operationBegan(operation);
}

// Ends a sequence whose step failed before Reset ECU: its own red line, and no reset.
void Norvane::FailOperation(const char *failedStep)
{
    const OperationListener::Outcome outcome = FailureOutcome();
    serialPort->setDataTerminalReady(false);
    EndOperation(outcome, failedStep);
}

// The operation's own red line ends it; the listeners learn why from the first red line
// before it.
void Norvane::EndOperation(OperationListener::Outcome outcome, const char *failedStep)
{
    const QString cause = failureCause;
    AppendLog(Error, failedStep);
    busy = false;
    operationEvents.operationEnded(outcome, tr(failedStep), cause);
}

// Judged before anything else touches the port. A stop asked for during the last exchange
// counts as the stop: the unit was left without a reset on request either way.
OperationListener::Outcome Norvane::FailureOutcome() const
{
    if (!serialPort->isOpen() || LineLost())
        return OperationListener::Outcome::LineLost;
    if (stopRequested)
        return OperationListener::Outcome::Stopped;
    return OperationListener::Outcome::Failed;
}
