#include "support/modalanswerer.h"

#include <QApplication>
#include <QFileDialog>

#include <utility>

ModalAnswerer::ModalAnswerer()
{
    connect(&poll, &QTimer::timeout, this, &ModalAnswerer::answerActiveModal);
    poll.start(10);
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

void ModalAnswerer::answerActiveModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return;

    if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        const QString answer = fileAnswers.value(0);
        // The dialog lists its folder in the background and may select an entry of its own:
        // accept once it would return the answer.
        if (!answer.isEmpty() && dialog->selectedFiles() != QStringList{answer}) {
            dialog->selectFile(answer);
            return;
        }
        captions << dialog->windowTitle();
        if (!fileAnswers.isEmpty())
            fileAnswers.removeFirst();
        answer.isEmpty() ? dialog->reject() : static_cast<QDialog *>(dialog)->accept();
        return;
    }

    auto *box = qobject_cast<QMessageBox *>(modal);
    if (box == nullptr || box == held)
        return;
    seen.append({box->windowTitle(), box->text(), box->informativeText()});
    if (boxAction)
        std::exchange(boxAction, nullptr)();
    if (holdMs > 0) {
        held = box;
        QTimer::singleShot(std::exchange(holdMs, 0), Qt::PreciseTimer, box, [box] { box->done(QMessageBox::Ok); });
        return;
    }
    box->done(QMessageBox::Ok);
}
