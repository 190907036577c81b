#include "app/norvane.h"

#include <QColor>
#include <QCoreApplication>
#include <QMessageBox>

void Norvane::AppendLog(LogKind kind, const QString &text)
{
    const QColor red(255, 0, 0, 255);
    const QColor blue(0, 0, 255, 255);

    switch (kind) {
    case Info:
        progressTextEdit->setTextColor(blue);
        progressTextEdit->append(tr(text.toUtf8().constData()));
        break;
    case Error:
        progressTextEdit->setTextColor(red);
        progressTextEdit->append(tr(text.toUtf8().constData()));
        break;
    default:
        progressTextEdit->setTextColor(blue);
        progressTextEdit->clear();
        break;
    }

    // Operations run synchronously; this is where the window repaints and takes input.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void Norvane::ShowMessage(const QString &text, const QString &informative)
{
    QMessageBox *box = new QMessageBox(this);
    box->setWindowTitle(tr("Message"));
    box->setText(text);
    if (informative != QString(""))
        box->setInformativeText(informative);
    box->exec();
    delete box;
}
