#include "app/norvane.h"

#include "connection/operationtexts.h"
#include "rom/romimage.h"

void Norvane::HandleFlashButton()
{
    if (!BeginOperation())
        return;

    if (hexFileTextEdit->toPlainText().isEmpty()) {
        ShowMessage(tr("Please browse rom file"), "");
        busy = false;
        return;
    }

    AppendLog(Info, FLASH_TEXTS.started);
    TellBegan(OperationListener::Operation::Flash);
    // A bad file is refused before the unit is touched.
    RomImage image;
    if (!CheckRomFile(&image)) {
        EndOperation(OperationListener::Outcome::FileRefused, FLASH_FAILED);
        return;
    }

    if (!RunUpToCommand(FLASH_TEXTS, OperationListener::Step::Erase, &Norvane::RunEraseApplication))
        return;

    // The transfer's progress updates replace this line.
    AppendLog(Info, FLASH_PROGRESS_START);
    operationEvents.stepBegan(OperationListener::Step::Transfer);
    if (!RunFlashApplication(image)) {
        FailOperation(FLASH_FAILED);
        return;
    }
    AppendLog(Info, FLASH_SUCCEEDED);

    operationEvents.stepBegan(OperationListener::Step::Verify);
    if (!RunVerifyApplication()) {
        FailOperation(FLASH_VERIFY_FAILED);
        return;
    }
    AppendLog(Info, FLASH_VERIFY_SUCCEEDED);

    FinishWithReset(FLASH_TEXTS);
}
