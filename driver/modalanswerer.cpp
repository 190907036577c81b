#include "driver/modalanswerer.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

#include <utility>

#include "ui/filechooser.h"

namespace {

// How often a real file dialog is looked for while one is expected.
constexpr int DIALOG_POLL_MS = 10;

} // namespace

ModalAnswerer::ModalAnswerer()
{
    connect(&poll, &QTimer::timeout, this, &ModalAnswerer::answerActiveModal);
    poll.setInterval(DIALOG_POLL_MS);
    previousAnswerer = MessageBoxes::setAnswerer([this](QMessageBox *box) { answerBox(box); });
}

// What was queued for this answerer must not answer a later one's dialogs.
ModalAnswerer::~ModalAnswerer()
{
    MessageBoxes::setAnswerer(previousAnswerer);
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
    poll.start();
}

QStringList ModalAnswerer::fileDialogCaptions() const
{
    return FileChooser::answeredCaptions() + typedCaptions;
}

void ModalAnswerer::answerActiveModal()
{
    auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    if (dialog != nullptr && dialog->isVisible())
        answerFileDialog(dialog);
}

// The dialog lists folders in the background and may select an entry of its own, and it
// leaves a focused name field alone in selectFile(). Typed into the field, with nothing
// else selected, the path is what the dialog returns; it is accepted only once it would.
void ModalAnswerer::answerFileDialog(QFileDialog *dialog)
{
    const QString answer = std::exchange(typedAnswer, QString());
    auto *name = dialog->findChild<QLineEdit *>("fileNameEdit");
    if (answer.isEmpty() || name == nullptr) {
        poll.stop();
        failed << QString("a file dialog \"%1\" opened with no answer for it").arg(dialog->windowTitle());
        dialog->reject();
        return;
    }
    if (!typedSince.isValid()) {
        typedSince.start();
        typedFolders << dialog->directory().absolutePath();
    }
    if (typedSince.hasExpired(typedBoundMs)) {
        poll.stop();
        failed << QString("the file dialog did not take %1 within %2 s")
                      .arg(QDir::toNativeSeparators(answer))
                      .arg(typedBoundMs / 1000);
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
    poll.stop();
    typedCaptions << dialog->windowTitle();
    static_cast<QDialog *>(dialog)->accept();
}

// Closed as soon as its own loop runs, or later when held open; meanwhile it is on screen,
// and further refusals add no box of their own.
void ModalAnswerer::answerBox(QMessageBox *box)
{
    seen.append({box->windowTitle(), box->text(), box->informativeText()});
    emit boxAnswered(box->text());
    if (boxAction)
        QTimer::singleShot(0, box, std::exchange(boxAction, nullptr));
    QTimer::singleShot(std::exchange(holdMs, 0), Qt::PreciseTimer, box, [box] { box->done(QMessageBox::Ok); });
}
