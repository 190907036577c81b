#include "cli/exitstatus.h"

#include "cli/unitevents.h"

ExitStatus ExitStatusOf(const QString &result)
{
    if (result == Result::SUCCESS)
        return ExitAllSucceeded;
    if (result == Result::INTERRUPTED)
        return ExitInterrupted;
    if (result == Result::REFUSED)
        return ExitUsage;
    return ExitSomeFailed;
}
