#ifndef CLI_EXITSTATUS_H
#define CLI_EXITSTATUS_H

#include <QString>

// What a script reads from the command line.
enum ExitStatus {
    ExitAllSucceeded = 0,
    ExitSomeFailed = 1,
    // A usage error or a refused file: nothing was sent to any unit.
    ExitUsage = 2,
    // Ctrl-C (128 + SIGINT).
    ExitInterrupted = 130
};

// The exit status of a unit process that ended with this result.
ExitStatus ExitStatusOf(const QString &result);

#endif
