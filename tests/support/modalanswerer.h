#ifndef TESTS_MODALANSWERER_H
#define TESTS_MODALANSWERER_H

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <functional>

// Answers every modal box and file dialog that the code under test opens, and
// remembers what each box showed, so a test can assert exactly which appeared.
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

    QVector<Box> boxes() const { return seen; }
    QStringList texts() const;
    void clear();

    // File dialogs are answered in the order queued; an empty path cancels.
    void queueFileDialogAnswer(const QString &path) { fileAnswers << path; }
    QStringList fileDialogCaptions() const { return captions; }

    // Runs while the next message box is open, before it is closed.
    void whileNextBoxOpen(std::function<void()> action) { boxAction = std::move(action); }
    // Leaves the next message box open this long, without a loop of the answerer's own.
    void holdNextBoxOpen(int ms) { holdMs = ms; }

private:
    void answerActiveModal();

    QTimer poll;
    QVector<Box> seen;
    QStringList fileAnswers;
    QStringList captions;
    std::function<void()> boxAction;
    int holdMs = 0;
    QPointer<QMessageBox> held;
};

#endif
