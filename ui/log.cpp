#include "app/norvane.h"

#include <QColor>
#include <QMessageBox>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/operationstatus.h"

namespace {

const QColor INFO_COLOUR(0, 0, 255, 255);
const QColor ERROR_COLOUR(255, 0, 0, 255);

} // namespace

void Norvane::AppendLog(LogKind kind, const QString &text)
{
    switch (kind) {
    case Info:
        progressTextEdit->setTextColor(INFO_COLOUR);
        progressTextEdit->append(tr(text.toUtf8().constData()));
        logHistory.append({QDateTime::currentDateTimeUtc(), LogEntry::Info, text});
        operationStatus->logged(text);
        break;
    case Error:
        if (busy && failureCause.isEmpty())
            failureCause = tr(text.toUtf8().constData());
        progressTextEdit->setTextColor(ERROR_COLOUR);
        progressTextEdit->append(tr(text.toUtf8().constData()));
        logHistory.append({QDateTime::currentDateTimeUtc(), LogEntry::Error, text});
        operationStatus->logged(text);
        break;
    default:
        progressTextEdit->setTextColor(INFO_COLOUR);
        progressTextEdit->clear();
        logHistory.clear();
        break;
    }
    LetEventsRun();
}

// Only the last line changes: the earlier ones keep their text and colour, and the cost
// does not grow with the log.
void Norvane::ReplaceLastLogLine(const QString &text)
{
    QTextCursor cursor(progressTextEdit->document()->lastBlock());
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    QTextCharFormat format;
    format.setForeground(INFO_COLOUR);
    cursor.insertText(tr(text.toUtf8().constData()), format);
    for (auto entry = logHistory.rbegin(); entry != logHistory.rend(); ++entry) {
        if (entry->kind != LogEntry::Status) {
            *entry = {QDateTime::currentDateTimeUtc(), entry->kind, text};
            break;
        }
    }
    LetEventsRun();
}

void Norvane::ShowStatusReason(const QString &text)
{
    Ui_Norvane::statusBar->showMessage(text);
    logHistory.append({QDateTime::currentDateTimeUtc(), LogEntry::Status, text});
    operationStatus->reasonShown();
}

void Norvane::ShowMessage(const QString &text, const QString &informative)
{
    ShowBox(MakeMessageBox(text, informative));
}

QMessageBox *Norvane::MakeMessageBox(const QString &text, const QString &informative)
{
    QMessageBox *box = new QMessageBox(this);
    box->setWindowTitle(tr("Message"));
    box->setText(text);
    if (informative != QString(""))
        box->setInformativeText(informative);
    return box;
}

// A box's own modal loop would hold a waiting operation up until the user closes the box,
// so while one waits the box is only opened, and deletes itself when closed.
void Norvane::ShowBox(QMessageBox *box)
{
    if (openWaits > 0) {
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    box->exec();
    delete box;
}
