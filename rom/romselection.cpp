#include "app/norvane.h"

#include <QDir>
#include <QFileInfo>

#include "ui/filechooser.h"

void Norvane::HandleBrowseButton()
{
    if (RefusedWhileBusy())
        return;

    hexFileTextEdit->clear();
    romFilePath = FileChooser::openFileName(this, tr("Open HEX File"), QDir::homePath(), "");
    romFilePath = QDir::toNativeSeparators(romFilePath);
    hexFileTextEdit->setPlainText(romFilePath);

    const QString fileName = QFileInfo(romFilePath).fileName();
    if (fileName.isEmpty())
        return;
    if (!fileName.endsWith(".rom", Qt::CaseSensitive)) {
        ShowMessage(tr("Browse valid .rom file"), "");
        romFilePath = "";
        hexFileTextEdit->clear();
        return;
    }
    AppendLog(Info, "Browse success");
}
