#include "app/norvane.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QMessageLogger>
#include <QProcess>
#include <QSpacerItem>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include "protocol/timings.h"

namespace {

const char *const MANUAL_NAME = "Manual.pdf";
// Where an installation keeps its data, seen from the program's own folder.
const char *const INSTALLED_DATA_FOLDER = "../share/varnholt";
// Names the application that opens PDF files on a freedesktop system, or nothing.
const char *const PDF_VIEWER_QUERY = "xdg-mime";

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

    box->setText(tr("Tool version %1\nDremlock").arg(toolVersion));
    box->setWindowTitle(tr("About"));
    ShowBox(box);
}

void Norvane::HandleMenuContent(bool check)
{
    Q_UNUSED(check)
    QMessageLogger().debug("Manual clicked!");

    const QStringList tried = ManualCandidates();
    for (const QString &manual : tried) {
        if (QFileInfo::exists(manual)) {
            OpenManual(manual);
            return;
        }
    }

    QStringList shown;
    for (const QString &manual : tried)
        shown << QDir::toNativeSeparators(manual);
    ShowMessage(tr("Open Manual failed"), tr("Not found in:\n%1").arg(shown.join("\n")));
}

// Qt hands the file to xdg-open, which starts, and so reports success, even where nothing
// can show a PDF; where xdg-mime is found, it is asked first whether anything can. The
// answer comes while the window goes on, and a running operation with it.
void Norvane::OpenManual(const QString &manual)
{
    const QString query = QStandardPaths::findExecutable(PDF_VIEWER_QUERY);
    if (query.isEmpty()) {
        OpenManualWithDesktop(manual);
        return;
    }
    auto *process = new QProcess(this);
    const auto done = [this, process] {
        disconnect(process, nullptr, this, nullptr);
        process->deleteLater();
    };
    connect(process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            [this, process, manual, done](int exitCode, QProcess::ExitStatus status) {
                done();
                const bool answered = status == QProcess::NormalExit && exitCode == 0;
                if (answered && process->readAllStandardOutput().trimmed().isEmpty())
                    ShowMessage(tr("Open Manual failed"),
                                tr("No PDF viewer was found to open %1.\n"
                                   "Install one, for example: sudo apt-get install evince")
                                    .arg(QDir::toNativeSeparators(manual)));
                else
                    OpenManualWithDesktop(manual);
            });
    // Without an answer the desktop may still manage.
    connect(process, &QProcess::errorOccurred, this, [this, manual, done](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart)
            return;
        done();
        OpenManualWithDesktop(manual);
    });
    QTimer::singleShot(PDF_VIEWER_QUERY_BOUND_MS, process, [this, process, done] {
        if (process->state() == QProcess::NotRunning)
            return;
        done();
        process->kill();
        ShowMessage(tr("Open Manual failed"), tr("%1 did not say within %2 s whether a PDF viewer is installed")
                                                  .arg(PDF_VIEWER_QUERY).arg(PDF_VIEWER_QUERY_BOUND_MS / 1000));
    });
    process->start(query, {"query", "default", "application/pdf"});
}

void Norvane::OpenManualWithDesktop(const QString &manual)
{
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(manual)))
        ShowMessage(tr("Open Manual failed"), tr("Could not open %1").arg(QDir::toNativeSeparators(manual)));
}

// The working directory first, as a copy beside the user's work wins; then the installation.
QStringList Norvane::ManualCandidates() const
{
    const QDir installed(QCoreApplication::applicationDirPath() + "/" + INSTALLED_DATA_FOLDER);
    return {QFileInfo(MANUAL_NAME).absoluteFilePath(), QDir::cleanPath(installed.absoluteFilePath(MANUAL_NAME))};
}
