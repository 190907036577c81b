#ifndef TESTS_LOGPANE_H
#define TESTS_LOGPANE_H

#include <QColor>
#include <QString>
#include <QStringList>
#include <QVector>

class QTextEdit;

// One line of the log pane as the user sees it.
struct LogLine {
    QString text;
    QColor colour;
};

QVector<LogLine> LogLines(const QTextEdit *pane);
QStringList LogTexts(const QTextEdit *pane);

const QColor LOG_BLUE(0, 0, 255);
const QColor LOG_RED(255, 0, 0);

#endif
