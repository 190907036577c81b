#include "app/norvane.h"

#include <QMessageLogger>

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
    const CommandResult exchanged = Exchange(request, QByteArray(1, char(successStatus)), &response);
    if (exchanged != Success)
        return exchanged;

    if (static_cast<quint8>(response.at(RESPONSE_STATUS_OFFSET)) != successStatus) {
        QMessageLogger().debug("%s", failureLine);
        return failure;
    }
    QMessageLogger().debug("%s", successLine);
    return Success;
}
