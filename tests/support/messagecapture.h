#ifndef TESTS_MESSAGECAPTURE_H
#define TESTS_MESSAGECAPTURE_H

#include <QStringList>
#include <QtGlobal>

// Collects the framework's debug lines while it lives.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();

    QStringList debugLines() const;

private:
    QtMessageHandler previous;
};

#endif
