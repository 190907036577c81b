#include "app/norvane.h"

#include <QMessageLogger>
#include <QStatusBar>

#include "rom/romimage.h"

// Reads the whole chosen file, letting the window live meanwhile; a refusal is logged and its
// reason shown in the status bar.
bool Norvane::CheckRomFile(RomImage *image)
{
    QString reason;
    if (ReadRomImage(romFilePath, image, &reason, [this] { LetEventsRun(); })) {
        Ui_Norvane::statusBar->clearMessage();
        return true;
    }
    QMessageLogger().debug("ROM file refused: %s", qPrintable(reason));
    ShowStatusReason(tr("ROM file refused: %1").arg(reason));
    AppendLog(Error, "Flash Application: rom file open failed");
    return false;
}
