#include "ui/filechooser.h"

#include <QFileDialog>

QStringList FileChooser::queued;
QStringList FileChooser::captions;

QString FileChooser::openFileName(QWidget *parent, const QString &caption, const QString &folder, const QString &filter)
{
    QString answer;
    if (takeQueuedAnswer(caption, &answer))
        return answer;
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString FileChooser::saveFileName(QWidget *parent, const QString &caption, const QString &folder, const QString &filter)
{
    QString answer;
    if (takeQueuedAnswer(caption, &answer))
        return answer;
    return QFileDialog::getSaveFileName(parent, caption, folder, filter);
}

void FileChooser::queueAnswer(const QString &path)
{
    queued << path;
}

QStringList FileChooser::answeredCaptions()
{
    return captions;
}

void FileChooser::forgetAnswers()
{
    queued.clear();
    captions.clear();
}

bool FileChooser::takeQueuedAnswer(const QString &caption, QString *answer)
{
    if (queued.isEmpty())
        return false;
    *answer = queued.takeFirst();
    captions << caption;
    return true;
}
