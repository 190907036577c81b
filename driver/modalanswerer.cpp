#include "driver/modalanswerer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

#include <utility>

#include "ui/filechooser.h"

ModalAnswerer::ModalAnswerer()
{
    connect(&poll, &QTimer::timeout, this, &ModalAnswerer::answerActiveModal);
    poll.start(10);
}

// What was queued for this answerer must not answer a later one's dialogs.
ModalAnswerer::~ModalAnswerer()
{
    FileChooser::forgetAnswers();
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
    typedCaptions.clear();
    typedFolders.clear();
    failed.clear();
    FileChooser::forgetAnswers();
}

void ModalAnswerer::queueFileDialogAnswer(const QString &path)
{
    FileChooser::queueAnswer(path);
}

void ModalAnswerer::typeIntoNextFileDialog(const QString &path, int boundMs)
{
    typedAnswer = path;
    typedBoundMs = boundMs;
    typedSince.invalidate();
}

QStringList ModalAnswerer::fileDialogCaptions() const
{
    return FileChooser::answeredCaptions() + typedCaptions;
}

void ModalAnswerer::answerActiveModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return;
    if (auto *dialog = qobject_cast<QFileDialog *>(modal))
        answerFileDialog(dialog);
    else if (auto *box = qobject_cast<QMessageBox *>(modal))
        answerBox(box);
}

// The dialog lists folders in the background and may select an entry of its own, and it
// leaves a focused name field alone in selectFile(). Typed into the field, with nothing
// else selected, the path is what the dialog returns; it is accepted only once it would.
void ModalAnswerer::answerFileDialog(QFileDialog *dialog)
{
    const QString answer = std::exchange(typedAnswer, QString());
    auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
    if (answer.isEmpty() || name == nullptr) {
        failed << QString("a file dialog \"%1\" opened with no answer for it").arg(dialog->windowTitle());
        dialog->reject();
        return;
    }
    if (!typedSince.isValid()) {
        typedSince.start();
        typedFolders << dialog->directory().absolutePath();
    }
    if (typedSince.hasExpired(typedBoundMs)) {
        failed << QString("the file dialog did not take %1 within %2 s")
                      .arg(QDir::toNativeSeparators(answer)).arg(typedBoundMs / 1000);
        dialog->reject();
        return;
    }
    typedAnswer = answer;
    name->setFocus(Qt::MouseFocusReason);
    for (const char *view : {"listView", "treeView"})
        if (auto *entries = dialog->findChild<QAbstractItemView *>(view))
            entries->clearSelection();
    name->setText(answer);
    if (dialog->selectedFiles() != QStringList{answer})
        return;
    typedAnswer.clear();
    typedCaptions << dialog->windowTitle();
    static_cast<QDialog *>(dialog)->accept();
}

void ModalAnswerer::answerBox(QMessageBox *box)
{
    if (box == held)
        return;
    seen.append({box->windowTitle(), box->text(), box->informativeText()});
    emit boxAnswered(box->text());
    if (boxAction)
        std::exchange(boxAction, nullptr)();
    if (holdMs > 0) {
        held = box;
        QTimer::singleShot(std::exchange(holdMs, 0), Qt::PreciseTimer, box, [box] { box->done(QMessageBox::Ok); });
        return;
    }
    box->done(QMessageBox::Ok);
}
