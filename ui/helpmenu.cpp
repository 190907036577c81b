#include "app/norvane.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QMessageLogger>
#include <QSpacerItem>
#include <QUrl>

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

    const QString manual = QFileInfo("Manual.pdf").absoluteFilePath();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
        ShowMessage(tr("Open Manual failed"), "");
}
