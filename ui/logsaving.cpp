#include "app/norvane.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QMenu>
#include <QSaveFile>

#include "app/version.h"
#include "ui/filechooser.h"

namespace {

const char *const TIME_FORMAT = "HH:mm:ss.zzz";

} // namespace

// The pane keeps its own context menu; saving is added at its end.
void Norvane::SetUpLogSaving()
{
    actionSaveLog = new QAction(tr("Save Log As…"), this);
    actionSaveLog->setObjectName("actionSaveLog");
    connect(actionSaveLog, &QAction::triggered, this, &Norvane::SaveLogAs);

    progressTextEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(progressTextEdit, &QWidget::customContextMenuRequested, this, &Norvane::ShowLogContextMenu);
}

void Norvane::ShowLogContextMenu(const QPoint &position)
{
    QMenu *menu = progressTextEdit->createStandardContextMenu(position);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    menu->addAction(actionSaveLog);
    // A menu running a loop of its own would hold up an operation that waits beneath it.
    menu->popup(progressTextEdit->viewport()->mapToGlobal(position));
}

// The dialog would hold a running operation in the middle of its exchange.
void Norvane::SaveLogAs()
{
    if (RefusedWhileBusy())
        return;

    const QString path =
        FileChooser::saveFileName(this, tr("Save Log As"), QDir::homePath(), tr("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;

    QSaveFile file(path);
    const QByteArray text = SavedLogText().toUtf8();
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text) != text.size() || !file.commit())
        ShowMessage(tr("Saving the log failed"), QDir::toNativeSeparators(path) + ": " + file.errorString());
}

// What a colleague needs to read the log without the window: which tool, when, which line
// and which image, then every line and every reason the status bar gave, each at its time.
QString Norvane::SavedLogText() const
{
    // The local time with its offset from UTC, which says where the times below stand.
    const QDateTime now = QDateTime::currentDateTime();
    QStringList lines;
    lines << tr("%1 %2 log").arg(VARNHOLT_NAME, VARNHOLT_VERSION);
    lines << tr("Saved: %1").arg(now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate));
    lines << tr("Port: %1 at %2 baud").arg(portName.isEmpty() ? tr("none chosen") : portName).arg(baudRate);
    if (!checkedRomFile.isEmpty())
        lines << tr("ROM file: %1, image of %2 bytes at %3, CRC-32 %4, SHA-256 %5")
                     .arg(QDir::toNativeSeparators(checkedRomFile))
                     .arg(checkedRom.size)
                     .arg(AddressText(checkedRom.first), Crc32Text(checkedRom.crc32),
                          QString::fromLatin1(checkedRom.sha256.toHex()));
    lines << "";
    for (const LogEntry &entry : logHistory)
        lines << entry.time.toLocalTime().toString(TIME_FORMAT) + "  " + entry.text;
    return lines.join('\n') + '\n';
}
