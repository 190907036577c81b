#ifndef UI_FILECHOOSER_H
#define UI_FILECHOOSER_H

#include <QString>
#include <QStringList>

class QWidget;

// The window asks for every file through here. What runs without a person (the
// rehearsal, the command line, the tests) queues the answer a person would have picked,
// and the dialog is then not shown; with nothing queued the real dialog opens.
class FileChooser
{
public:
    static QString openFileName(QWidget *parent, const QString &caption, const QString &folder, const QString &filter);
    static QString saveFileName(QWidget *parent, const QString &caption, const QString &folder, const QString &filter);

    // Answers the next dialog with this path; an empty path cancels it.
    static void queueAnswer(const QString &path);
    // The captions of the dialogs answered from the queue, oldest first.
    static QStringList answeredCaptions();
    static void forgetAnswers();

private:
    static bool takeQueuedAnswer(const QString &caption, QString *answer);

    static QStringList queued;
    static QStringList captions;
};

#endif
