#include "support/modalanswerer.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

ModalAnswerer::ModalAnswerer()
{
    connect(&poll, &QTimer::timeout, this, &ModalAnswerer::answerActiveModal);
    poll.start(10);
}

QVector<ModalAnswerer::Box> ModalAnswerer::boxes() const
{
    return seen;
}

QStringList ModalAnswerer::texts() const
{
    QStringList result;
    for (const Box &box : seen)
        result << box.text;
    return result;
}

void ModalAnswerer::clear()
{
    seen.clear();
    captions.clear();
}

void ModalAnswerer::queueFileDialogAnswer(const QString &path)
{
    fileAnswers << path;
}

int ModalAnswerer::fileDialogCaptionsSeen() const
{
    return captions.size();
}

QStringList ModalAnswerer::fileDialogCaptions() const
{
    return captions;
}

void ModalAnswerer::answerActiveModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return;

    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        seen.append({box->windowTitle(), box->text(), box->informativeText()});
        box->done(QMessageBox::Ok);
        return;
    }

    if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        captions << dialog->windowTitle();
        const QString answer = fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
        if (answer.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(answer);
        static_cast<QDialog *>(dialog)->accept();
    }
}
