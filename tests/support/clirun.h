#ifndef SUPPORT_CLIRUN_H
#define SUPPORT_CLIRUN_H

#include <QJsonObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
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

// Where every suite's sample image starts.
constexpr quint32 ROM_ADDRESS = 0x80000;

// A sample image as a ROM file in a folder of the suite's own, with the record's path beside
// it: the files each of the command line's suites starts from.
struct CliFiles {
    CliFiles(int imageSize, int seed);

    QTemporaryDir folder;
    QByteArray image;
    QString romPath;
    QString recordPath;
    bool romWritten = false;
};

#endif
