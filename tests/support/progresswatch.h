#ifndef TESTS_PROGRESSWATCH_H
#define TESTS_PROGRESSWATCH_H

#include <QObject>
#include <QStringList>

#include <functional>

class QTextEdit;

// Records the log's last line each time it becomes a progress line.
class ProgressWatch : public QObject
{
    Q_OBJECT

public:
    explicit ProgressWatch(QTextEdit *pane);

    QStringList lines() const { return seen; }
    // Runs once, the first time the last line reads exactly this text.
    void onLine(const QString &line, std::function<void()> action);

private:
    void look();

    QTextEdit *pane;
    QStringList seen;
    QString trigger;
    std::function<void()> action;
};

#endif
