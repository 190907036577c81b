#include "app/norvane.h"

#include <QSerialPort>
#include <QThread>

#include "connection/operationtexts.h"

void Norvane::HandleFlashButton()
{
    if (!BeginOperation())
        return;

    if (hexFileTextEdit->toPlainText().isEmpty()) {
        ShowMessage(tr("Please browse rom file"), "");
        busy = false;
        return;
    }

    AppendLog(Info, "[Flash Hanlder] Flash command started");
    PulseControlLines();

    if (!RunJumpToBootloader()) {
        AppendLog(Error, "[Flash Hanlder] Jump to boot loader failed");
        StopOperation();
        return;
    }
    AppendLog(Info, "[Flash Hanlder] Jump to boot loader success");
    AppendLog(Info, "[Flash Hanlder] Erasing..");
    QThread::msleep(COMMAND_DELAY_MS);

    if (!RunEraseApplication()) {
        AppendLog(Error, "[Flash Hanlder] Erase failed");
        StopOperation();
        return;
    }
    AppendLog(Info, "[Flash Hanlder] Erase success");

    // The transfer's progress updates replace this line.
    AppendLog(Info, "[Flash Hanlder] Flashing.. 0%");
    if (!RunFlashApplication()) {
        AppendLog(Error, "[Flash Hanlder] Flash failed");
        StopOperation();
        return;
    }
    AppendLog(Info, "[Flash Hanlder] Flash success");

    if (!RunVerifyApplication()) {
        AppendLog(Error, "[Flash Hanlder] Verify failed");
        StopOperation();
        return;
    }
    AppendLog(Info, "[Flash Hanlder] Verify success");

    serialPort->setDataTerminalReady(false);
    AppendLog(Info, "[Flash Hanlder] Resetting..");
    if (RunResetECU())
        AppendLog(Info, "[Flash Hanlder] Reset success");
    else
        AppendLog(Error, "[Flash Hanlder] Reset failed");
    busy = false;
}
