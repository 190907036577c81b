#include "app/norvane.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageLogger>

#include "rom/imagesummary.h"
#include "rom/romimage.h"
#include "ui/filechooser.h"
#include "ui/operationstatus.h"

void Norvane::HandleBrowseButton()
{
    if (RefusedWhileBusy())
        return;

    hexFileTextEdit->clear();
    operationStatus->showSummary(QString(), QString());
    operationStatus->clearReason();
    romFilePath = FileChooser::openFileName(this, tr("Open HEX File"), QDir::homePath(), "");
    romFilePath = QDir::toNativeSeparators(romFilePath);
    hexFileTextEdit->setPlainText(romFilePath);

    const QString fileName = QFileInfo(romFilePath).fileName();
    if (fileName.isEmpty())
        return;
    if (!fileName.endsWith(ROM_FILE_SUFFIX, Qt::CaseSensitive)) {
        ShowMessage(tr("Browse valid .rom file"), "");
        romFilePath = "";
        hexFileTextEdit->clear();
        return;
    }
    AppendLog(Info, QT_TRANSLATE_NOOP("Norvane", "Browse success"));
    ShowRomFileSummary();
}

// A bad file or the wrong image shows before anything is sent. The window lives through
// the check, but nothing may start meanwhile; Flash checks the file again, as it may change.
void Norvane::ShowRomFileSummary()
{
    busy = true;
    RomImage image;
    const bool read = ReadChosenRomFile(&image);
    busy = false;
    if (read)
        operationStatus->showSummary(ShortSummaryText(checkedRom, baudRate), SummaryText(checkedRom, baudRate));
}

// A refusal's reason goes to the status bar; what passed is remembered for the saved log.
bool Norvane::ReadChosenRomFile(RomImage *image)
{
    checkedRomFile.clear();
    operationStatus->showSummary(QString(), QString());
    QString reason;
    if (!ReadRomImage(romFilePath, image, &reason, [this] { LetEventsRun(); })) {
        QMessageLogger().debug("ROM file refused: %s", qPrintable(reason));
        ShowStatusReason(tr("ROM file refused: %1").arg(reason));
        return false;
    }
    checkedRomFile = romFilePath;
    checkedRom = SummarizeImage(*image);
    return true;
}
