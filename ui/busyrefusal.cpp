#include "app/norvane.h"

#include <QMessageBox>

// True while an operation runs: whatever was asked is refused. One box says so at a time;
// clicks while it is open add no more.
bool Norvane::RefusedWhileBusy()
{
    if (!busy)
        return false;
    if (busyBox.isNull()) {
        busyBox = MakeMessageBox(tr("Operation is in progress please wait.."), "");
        ShowBox(busyBox);
    }
    return true;
}
