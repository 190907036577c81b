#include "app/norvane.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QMessageLogger>
#include <QSpacerItem>
#include <QStringList>
#include <QUrl>

namespace {

const char *const MANUAL_NAME = "Manual.pdf";
// Where an installation keeps its data, seen from the program's own folder.
const char *const INSTALLED_DATA_FOLDER = "../share/varnholt";

} // namespace

void Norvane::HandleMenuAbout(bool check)
{
    Q_UNUSED(check)
    QMessageLogger().debug("About clicked!");

    QMessageBox *box = new QMessageBox();
    // Keeps the box at least 150 pixels wide.
    QSpacerItem *spacer = new QSpacerItem(150, 0, QSizePolicy::Minimum, QSizePolicy::Expanding);
    QGridLayout *grid = static_cast<QGridLayout *>(box->layout());
    grid->addItem(spacer, grid->rowCount(), 0, 1, grid->columnCount());

    box->setText(tr("Tool version ") + tr(toolVersion.toUtf8().constData()) + tr("\nDremlock"));
    box->setWindowTitle(tr("About"));
    ShowBox(box);
}

void Norvane::HandleMenuContent(bool check)
{
    Q_UNUSED(check)
    QMessageLogger().debug("Manual clicked!");

    const QStringList tried = ManualCandidates();
    for (const QString &manual : tried) {
        if (!QFileInfo::exists(manual))
            continue;
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
            ShowMessage(tr("Open Manual failed"), tr("Could not open %1").arg(QDir::toNativeSeparators(manual)));
        return;
    }

    QStringList shown;
    for (const QString &manual : tried)
        shown << QDir::toNativeSeparators(manual);
    ShowMessage(tr("Open Manual failed"), tr("Not found in:\n%1").arg(shown.join("\n")));
}

// The working directory first, as a copy beside the user's work wins; then the installation.
QStringList Norvane::ManualCandidates() const
{
    const QDir installed(QCoreApplication::applicationDirPath() + "/" + INSTALLED_DATA_FOLDER);
    return {QFileInfo(MANUAL_NAME).absoluteFilePath(), QDir::cleanPath(installed.absoluteFilePath(MANUAL_NAME))};
}
