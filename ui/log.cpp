#include "app/norvane.h"

#include <QColor>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include "ui/messageboxes.h"
#include "ui/operationstatus.h"

namespace {

const QColor INFO_COLOUR(0, 0, 255, 255);
const QColor ERROR_COLOUR(255, 0, 0, 255);

} // namespace

void Norvane::AppendLog(LogKind kind, const QString &text)
{
    if (kind != Info && kind != Error) {
        progressTextEdit->setTextColor(INFO_COLOUR);
        progressTextEdit->clear();
        logHistory.clear();
        LetEventsRun();
        return;
    }
    const QString shown = tr(text.toUtf8().constData());
    if (kind == Error && busy && failureCause.isEmpty())
        failureCause = shown;
    progressTextEdit->setTextColor(kind == Error ? ERROR_COLOUR : INFO_COLOUR);
    progressTextEdit->append(shown);
    logHistory.append({QDateTime::currentDateTimeUtc(), kind == Error ? LogEntry::Error : LogEntry::Info, text});
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
    operationStatus->showReason(text);
    logHistory.append({QDateTime::currentDateTimeUtc(), LogEntry::Status, text});
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
// so while one waits the box is only opened.
void Norvane::ShowBox(QMessageBox *box)
{
    MessageBoxes::show(box, openWaits == 0);
}
