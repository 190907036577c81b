#ifndef TESTS_MESSAGECAPTURE_H
#define TESTS_MESSAGECAPTURE_H

#include <QStringList>
#include <QtGlobal>

// Collects the framework's debug and warning lines while it lives.
class MessageCapture
{
public:
    MessageCapture();
    ~MessageCapture();

    QStringList debugLines() const;
    QStringList warningLines() const;
    // Lines that carried a source file in their context.
    int linesWithLocation() const;
    void clear();

private:
    static void Handle(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QtMessageHandler previous;
};

#endif
