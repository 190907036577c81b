#include "app/norvane.h"

#include "rom/romimage.h"
#include "ui/operationstatus.h"

// Reads the whole chosen file, letting the window live meanwhile; a refusal is logged and its
// reason shown in the status bar.
bool Norvane::CheckRomFile(RomImage *image)
{
    if (ReadChosenRomFile(image)) {
        operationStatus->clearReason();
        return true;
    }
    AppendLog(Error, QT_TRANSLATE_NOOP("Norvane", "Flash Application: rom file open failed"));
    return false;
}
