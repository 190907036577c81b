#include "app/norvane.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QSaveFile>

#include "ui/filechooser.h"

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

    const QString path = FileChooser::saveFileName(this, tr("Save Log As"), QDir::homePath(),
                                                   tr("Text files (*.txt);;All files (*)"));
    if (path.isEmpty())
        return;

    QSaveFile file(path);
    QByteArray text = progressTextEdit->toPlainText().toUtf8();
    if (!text.isEmpty())
        text += '\n';
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text) != text.size() || !file.commit())
        ShowMessage(tr("Saving the log failed"), QDir::toNativeSeparators(path) + ": " + file.errorString());
}
