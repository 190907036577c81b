#ifndef CLI_LOGSTREAM_H
#define CLI_LOGSTREAM_H

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QVector>

#include "ui/logentry.h"

class Norvane;

// Tells the command line what the unseen window shows, one JSON object a line on the
// output: each log line as it is logged or rewritten in place, and the status bar's text.
class LogStream : public QObject
{
    Q_OBJECT

public:
    explicit LogStream(Norvane &window);

    // Sends what changed in the log since the last call.
    void sendChanges();
    static void send(const QJsonObject &event);

private:
    void sendStatus(const QString &text);

    Norvane &window;
    QVector<LogEntry> sent;
};

#endif
