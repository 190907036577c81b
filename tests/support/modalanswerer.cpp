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

void ModalAnswerer::whileNextBoxOpen(std::function<void()> action)
{
    boxAction = std::move(action);
}

void ModalAnswerer::holdNextBoxOpen(int ms)
{
    holdMs = ms;
}

void ModalAnswerer::answerActiveModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return;

    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        if (box == held)
            return;
        seen.append({box->windowTitle(), box->text(), box->informativeText()});
        if (boxAction) {
            const std::function<void()> action = std::move(boxAction);
            boxAction = nullptr;
            action();
        }
        if (holdMs > 0) {
            held = box;
            QTimer::singleShot(holdMs, Qt::PreciseTimer, box, [box] { box->done(QMessageBox::Ok); });
            holdMs = 0;
            return;
        }
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
