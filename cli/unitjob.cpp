#include "cli/unitjob.h"

namespace {

const char *const OPERATION_NAMES[] = {"flash", "verify", "erase"};
const WindowDriver::Operation OPERATIONS[] = {WindowDriver::Flash, WindowDriver::Verify, WindowDriver::Erase};
// The command, the operation, the port, the rate and the file.
constexpr int UNIT_ARGUMENT_COUNT = 5;

} // namespace

QString OperationName(WindowDriver::Operation operation)
{
    return OPERATION_NAMES[operation];
}

bool OperationFromName(const QString &name, WindowDriver::Operation *operation)
{
    for (WindowDriver::Operation candidate : OPERATIONS) {
        if (name == OperationName(candidate)) {
            *operation = candidate;
            return true;
        }
    }
    return false;
}

QStringList UnitArguments(const UnitJob &job)
{
    return {UNIT_COMMAND, OperationName(job.operation), job.port, QString::number(job.baud), job.file};
}

bool UnitJobFromArguments(const QStringList &arguments, UnitJob *job)
{
    if (arguments.size() != UNIT_ARGUMENT_COUNT || arguments.at(0) != UNIT_COMMAND)
        return false;
    bool rateRead = false;
    job->port = arguments.at(2);
    job->baud = arguments.at(3).toInt(&rateRead);
    job->file = arguments.at(4);
    return rateRead && OperationFromName(arguments.at(1), &job->operation);
}
