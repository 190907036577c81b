#include "app/norvane.h"

#include <QSerialPort>
#include <QThread>

#include "connection/operationtexts.h"

namespace {

const OperationTexts VERIFY_TEXTS = {
    "[Verify Hanlder] Verify command started",
    "[Verify Hanlder] Jump to boot loader failed",
    "[Verify Hanlder] Jump to boot loader success",
    "[Verify Hanlder] Verifying..",
    "[Verify Hanlder] Verify failed",
    "[Verify Hanlder] Verify success",
    "[Verify Hanlder] Resetting..",
    "[Verify Hanlder] Reset failed",
    "[Verify Hanlder] Reset success",
};

const OperationTexts ERASE_TEXTS = {
    "[Erase Hanlder] Erase command started",
    "[Erase Hanlder] Jump to boot loader failed",
    "[Erase Hanlder] Jump to boot loader success",
    "[Erase Hanlder] Erasing..",
    "[Erase Hanlder] Erase failed",
    "[Erase Hanlder] Erase success",
    "[Erase Hanlder] Reseting",
    "[Erase Hanlder] Reset failed",
    "[Erase Hanlder] Reset success",
};

} // namespace

void Norvane::HandleVerifyButton()
{
    RunCommandSequence(VERIFY_TEXTS, &Norvane::RunVerifyApplication);
}

void Norvane::HandleEraseButton()
{
    RunCommandSequence(ERASE_TEXTS, &Norvane::RunEraseApplication);
}

void Norvane::RunCommandSequence(const OperationTexts &texts, bool (Norvane::*command)())
{
    if (!BeginOperation())
        return;

    AppendLog(Info, texts.started);
    PulseControlLines();

    if (!RunJumpToBootloader()) {
        AppendLog(Error, texts.jumpFailed);
        StopOperation();
        return;
    }
    AppendLog(Info, texts.jumpSucceeded);
    AppendLog(Info, texts.commandRunning);
    QThread::msleep(COMMAND_DELAY_MS);

    if (!(this->*command)()) {
        AppendLog(Error, texts.commandFailed);
        StopOperation();
        return;
    }
    AppendLog(Info, texts.commandSucceeded);

    serialPort->setDataTerminalReady(false);
    AppendLog(Info, texts.resetting);
    if (RunResetECU())
        AppendLog(Info, texts.resetSucceeded);
    else
        AppendLog(Error, texts.resetFailed);
    busy = false;
}

bool Norvane::BeginOperation()
{
    if (busy) {
        ShowMessage(tr("Operation is in progress please wait.."), "");
        return false;
    }
    if (!serialPort->isOpen()) {
        ShowMessage(tr("Please connect to the port!"), "");
        return false;
    }
    busy = true;
    return true;
}

void Norvane::PulseControlLines()
{
    serialPort->setDataTerminalReady(true);
    serialPort->setRequestToSend(true);
    QThread::msleep(LINE_PULSE_MS);
    serialPort->setRequestToSend(false);
    QThread::msleep(LINE_SETTLE_MS);
}

// Ends a sequence whose step failed before Reset ECU: no reset is sent.
void Norvane::StopOperation()
{
    busy = false;
    serialPort->setDataTerminalReady(false);
}
