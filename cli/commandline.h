#ifndef CLI_COMMANDLINE_H
#define CLI_COMMANDLINE_H

#include <QString>
#include <QStringList>

#include "driver/windowdriver.h"

// What the user asked for, checked before any file or port is opened.
struct CliRequest {
    enum Command { Check, Ports, OnUnits };

    Command command = Check;
    // For OnUnits.
    WindowDriver::Operation operation = WindowDriver::Flash;
    QString file;
    QStringList ports;
    int baud = 0;
    bool json = false;
    QString recordPath;
};

enum ParseOutcome { Parsed, HelpShown, UsageError };

// Reads the arguments (the program's name first). For HelpShown the text to print is in
// message; for UsageError the one line that says what is wrong.
ParseOutcome ParseCommandLine(const QStringList &arguments, CliRequest *request, QString *message);

#endif
