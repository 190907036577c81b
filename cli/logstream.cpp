#include "cli/logstream.h"

#include <QJsonDocument>
#include <QStatusBar>
#include <QTextEdit>

#include "app/norvane.h"
#include "cli/console.h"
#include "cli/unitevents.h"

namespace {

bool SameEntry(const LogEntry &one, const LogEntry &other)
{
    return one.time == other.time && one.kind == other.kind && one.text == other.text;
}

} // namespace

// Queued: the window keeps a line in its history only after the pane has shown it.
LogStream::LogStream(Norvane &window)
    : window(window)
{
    connect(window.progressTextEdit, &QTextEdit::textChanged, this, &LogStream::sendChanges, Qt::QueuedConnection);
    connect(window.Ui_Norvane::statusBar, &QStatusBar::messageChanged, this, &LogStream::sendStatus,
            Qt::QueuedConnection);
}

void LogStream::sendChanges()
{
    const QVector<LogEntry> &history = window.logHistory;
    for (int index = 0; index < history.size(); ++index) {
        if (index < sent.size() && SameEntry(history.at(index), sent.at(index)))
            continue;
        QJsonObject event = LogEntryJson(history.at(index));
        event[Key::EVENT] = Event::LOG_LINE;
        event[Key::INDEX] = index;
        send(event);
    }
    sent = history;
}

void LogStream::send(const QJsonObject &event)
{
    PrintLine(stdout, QString::fromUtf8(QJsonDocument(event).toJson(QJsonDocument::Compact)));
}

// A reason the window also keeps in its log goes out once, as that log line.
void LogStream::sendStatus(const QString &text)
{
    sendChanges();
    if (!sent.isEmpty() && sent.last().kind == LogEntry::Status && sent.last().text == text)
        return;
    send({{Key::EVENT, Event::STATUS}, {Key::TIME, JsonTime(QDateTime::currentDateTimeUtc())}, {Key::TEXT, text}});
}
