#include "app/norvane.h"

#include <QSerialPort>

#include "connection/operationtexts.h"
#include "protocol/timings.h"

void Norvane::HandleVerifyButton()
{
    if (!BeginOperation())
        return;
    AppendLog(Info, VERIFY_TEXTS.started);
    if (RunUpToCommand(VERIFY_TEXTS, &Norvane::RunVerifyApplication))
        FinishWithReset(VERIFY_TEXTS);
}

void Norvane::HandleEraseButton()
{
    if (!BeginOperation())
        return;
    AppendLog(Info, ERASE_TEXTS.started);
    if (RunUpToCommand(ERASE_TEXTS, &Norvane::RunEraseApplication))
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
bool Norvane::RunUpToCommand(const OperationTexts &texts, bool (Norvane::*command)())
{
    PulseControlLines();

    if (!RunJumpToBootloader()) {
        AppendLog(Error, texts.jumpFailed);
        StopOperation();
        return false;
    }
    AppendLog(Info, texts.jumpSucceeded);
    AppendLog(Info, texts.commandRunning);
    Pause(COMMAND_DELAY_MS);

    if (!(this->*command)()) {
        AppendLog(Error, texts.commandFailed);
        StopOperation();
        return false;
    }
    AppendLog(Info, texts.commandSucceeded);
    return true;
}

void Norvane::FinishWithReset(const OperationTexts &texts)
{
    serialPort->setDataTerminalReady(false);
    AppendLog(Info, texts.resetting);
    if (RunResetECU())
        AppendLog(Info, texts.resetSucceeded);
    else
        AppendLog(Error, texts.resetFailed);
    busy = false;
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

// Ends a sequence whose step failed before Reset ECU: no reset is sent.
void Norvane::StopOperation()
{
    busy = false;
    serialPort->setDataTerminalReady(false);
}
