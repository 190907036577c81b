#ifndef DRIVER_MODALANSWERER_H
#define DRIVER_MODALANSWERER_H

#include <QElapsedTimer>
#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

#include "ui/messageboxes.h"

class QFileDialog;

// Answers every message box and file dialog that the window opens while no person is
// there, and remembers what each box showed. Boxes are taken as the window asks for them;
// only a real file dialog, answered as a person would, is looked for while it is expected.
class ModalAnswerer : public QObject
{
    Q_OBJECT

public:
    struct Box {
        QString title;
        QString text;
        QString informative;
    };

    ModalAnswerer();
    ~ModalAnswerer() override;

    QVector<Box> boxes() const { return seen; }
    QStringList texts() const;
    void clear();

    // The next file dialogs are not shown: each takes the next path queued; empty cancels.
    void queueFileDialogAnswer(const QString &path);
    // The next real file dialog is answered as a person would: the path typed into its
    // name field, then Open. Not taken within the bound, the dialog is cancelled.
    void typeIntoNextFileDialog(const QString &path, int boundMs = 10000);
    QStringList fileDialogCaptions() const;
    // The folders that the real file dialogs opened in.
    QStringList fileDialogFolders() const { return typedFolders; }
    // Why a real file dialog was cancelled, if one was.
    QStringList failures() const { return failed; }

    // Runs while the next message box is open, before it is closed.
    void whileNextBoxOpen(std::function<void()> action) { boxAction = std::move(action); }
    // Lets the next message box open for this long, as a person would leave it.
    void holdNextBoxOpen(int ms) { holdMs = ms; }

signals:
    void boxAnswered(const QString &text);

private:
    void answerActiveModal();
    void answerFileDialog(QFileDialog *dialog);
    void answerBox(QMessageBox *box);

    QTimer poll;
    MessageBoxes::Answerer previousAnswerer;
    QVector<Box> seen;
    QStringList typedCaptions;
    QStringList typedFolders;
    QStringList failed;
    QString typedAnswer;
    int typedBoundMs = 0;
    QElapsedTimer typedSince;
    std::function<void()> boxAction;
    int holdMs = 0;
};

#endif
