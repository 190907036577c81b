#include "app/norvane.h"

#include <QMessageLogger>
#include <QSerialPort>

#include "protocol/timings.h"

CommandResult Norvane::SendJumpToBootloader()
{
    return SendCommand(JumpToBootloader, JUMP_TO_BOOTLOADER_OK, JumpToBootloaderFailed,
                       "Jump to Boot Loader Successfull!", "Jump to Boot Loader failed");
}

CommandResult Norvane::SendVerifyApplication()
{
    return SendCommand(VerifyApplication, VERIFY_APPLICATION_OK, VerifyApplicationFailed,
                       "Verification Successfull!", "Verification failed");
}

CommandResult Norvane::SendFlashApplicationStart()
{
    return SendCommand(FlashApplicationStart, FLASH_APPLICATION_START_OK, FlashApplicationFailed,
                       "Flash start Successfull!", "Flash start failed");
}

CommandResult Norvane::SendEraseApplication()
{
    return SendCommand(EraseApplication, ERASE_APPLICATION_OK, EraseApplicationFailed,
                       "Erase Application Successfull!", "Erase Application failed");
}

CommandResult Norvane::SendResetECU()
{
    return SendCommand(ResetECU, RESET_ECU_OK, ResetECUFailed,
                       "Reset ECU Successfull!", "Reset ECU failed");
}

CommandResult Norvane::SendCommand(FrameType type, quint8 successStatus, CommandResult failure,
                                   const char *successLine, const char *failureLine)
{
    QByteArray request;
    {
        BootProtocol requestProtocol(type);
        request = requestProtocol.PrepareFrame(nullptr, 0);
    }

    QByteArray response;
    const CommandResult exchanged = Exchange(type, request, &response);
    if (exchanged != Success)
        return exchanged;

    if (static_cast<quint8>(response.at(RESPONSE_STATUS_OFFSET)) != successStatus) {
        QMessageLogger().debug("%s", failureLine);
        return failure;
    }
    QMessageLogger().debug("%s", successLine);
    return Success;
}

// Sends one request and collects one well-formed answer; its status is the caller's to judge.
CommandResult Norvane::Exchange(FrameType type, const QByteArray &request, QByteArray *response)
{
    // A stop takes effect between exchanges, so no frame is ever cut.
    if (stopRequested)
        return Stopped;
    serialPort->clear(QSerialPort::AllDirections);
    // A write error seen while waiting must be this request's, not an earlier one's.
    serialPort->clearError();
    if (serialPort->write(request) < 0)
        return WriteTimedOut;

    // The write only queues the request, so the first wait also covers its time on the line.
    int wait = RESPONSE_WAIT_MS + static_cast<int>(LineTimeMs(request.size(), serialPort->baudRate()));
    response->clear();
    while (response->size() < RESPONSE_FRAME_SIZE) {
        if (!WaitForResponseBytes(wait)) {
            if (serialPort->error() == QSerialPort::WriteError)
                return WriteTimedOut;
            QMessageLogger().debug("Frame read timed out!");
            return ReadTimedOut;
        }
        response->append(serialPort->readAll());
        wait = RESPONSE_WAIT_MS;
    }

    BootProtocol responseProtocol(type);
    if (!responseProtocol.CheckResponseFrame(*response)) {
        QMessageLogger().debug("Invalid Response frame");
        return InvalidResponseFrame;
    }
    return Success;
}
