#ifndef SUPPORT_CLIRUN_H
#define SUPPORT_CLIRUN_H

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QVector>

// The built varnholt-cli, run as a script runs it.
struct CliRun {
    int status = -1;
    QString out;
    QString err;
};

// Two 20 s response waits, the fixed waits and a loaded machine.
constexpr int CLI_RUN_BOUND_MS = 90000;

CliRun RunCli(const QStringList &arguments, const QProcessEnvironment &environment = QProcessEnvironment());

// Every line of a record file as JSON; none at all unless each line is whole JSON ending
// in a newline.
QVector<QJsonObject> RecordLines(const QString &path);

#endif
