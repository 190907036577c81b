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
    // A bad file is refused before the unit is touched.
    RomImage image;
    if (!CheckRomFile(&image)) {
        AppendLog(Error, FLASH_FAILED);
        busy = false;
        return;
    }

    if (!RunUpToCommand(FLASH_TEXTS, &Norvane::RunEraseApplication))
        return;

    // The transfer's progress updates replace this line.
    AppendLog(Info, FLASH_PROGRESS_START);
    if (!RunFlashApplication(image)) {
        AppendLog(Error, FLASH_FAILED);
        StopOperation();
        return;
    }
    AppendLog(Info, FLASH_SUCCEEDED);

    if (!RunVerifyApplication()) {
        AppendLog(Error, FLASH_VERIFY_FAILED);
        StopOperation();
        return;
    }
    AppendLog(Info, FLASH_VERIFY_SUCCEEDED);

    FinishWithReset(FLASH_TEXTS);
}
