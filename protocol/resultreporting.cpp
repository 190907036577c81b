#include "app/norvane.h"

#include <QSerialPort>

#include "connection/operationtexts.h"

bool Norvane::RunJumpToBootloader()
{
    return ReportResult(SendJumpToBootloader(), {
        {WriteTimedOut, QT_TRANSLATE_NOOP("Norvane", "Jump to boot loader: Port write timed out")},
        {ReadTimedOut, QT_TRANSLATE_NOOP("Norvane", "Jump to boot loader: Port read timed out")},
        {InvalidResponseFrame, QT_TRANSLATE_NOOP("Norvane", "Jump to boot loader: Invalid response frame received")},
        {JumpToBootloaderFailed,
            QT_TRANSLATE_NOOP("Norvane", "Jump to boot loader: Received jump to bootloader failure response")},
    });
}

bool Norvane::RunVerifyApplication()
{
    return ReportResult(SendVerifyApplication(), {
        {WriteTimedOut, QT_TRANSLATE_NOOP("Norvane", "Verify Application: Port write timed out")},
        {ReadTimedOut, QT_TRANSLATE_NOOP("Norvane", "Verify Application: Port read timed out")},
        {InvalidResponseFrame, QT_TRANSLATE_NOOP("Norvane", "Verify Application: Invalid response frame received")},
        {VerifyApplicationFailed, QT_TRANSLATE_NOOP("Norvane", "Verify Application: Received verify failure response")},
    });
}

bool Norvane::RunEraseApplication()
{
    return ReportResult(SendEraseApplication(), {
        {WriteTimedOut, QT_TRANSLATE_NOOP("Norvane", "Erase Application: Port write timed out")},
        {ReadTimedOut, QT_TRANSLATE_NOOP("Norvane", "Erase Application: Port read timed out")},
        {InvalidResponseFrame, QT_TRANSLATE_NOOP("Norvane", "Erase Application: Invalid response frame received")},
        {EraseApplicationFailed, QT_TRANSLATE_NOOP("Norvane", "Erase Application: Received erase failure response")},
    });
}

bool Norvane::RunResetECU()
{
    return ReportResult(SendResetECU(), {
        {WriteTimedOut, QT_TRANSLATE_NOOP("Norvane", "Reset ECU: Port write timed out")},
        {ReadTimedOut, QT_TRANSLATE_NOOP("Norvane", "Reset ECU: Port read timed out")},
        {InvalidResponseFrame, QT_TRANSLATE_NOOP("Norvane", "Reset ECU: Invalid response frame received")},
        {ResetECUFailed, QT_TRANSLATE_NOOP("Norvane", "Reset ECU: Received reset failure response")},
    });
}

// Codes a step cannot yield are not in its table and let the operation go on.
bool Norvane::ReportResult(CommandResult result, std::initializer_list<ResultText> texts)
{
    if (result == Stopped) {
        AppendLog(Error, OPERATION_STOPPED);
        return false;
    }
    for (const ResultText &row : texts) {
        if (row.code == result) {
            AppendLog(Error, row.text);
            NameDropInFailure(result, row.text);
            serialPort->clear(QSerialPort::Output);
            DiscardInput();
            return false;
        }
    }
    return true;
}
