#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

#include "app/version.h"
#include "cli/commandline.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/exitstatus.h"
#include "cli/unitjob.h"

// varnholt-cli: the window's twin for scripts, production lines and test rigs.
int main(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], UNIT_COMMAND) == 0) {
        const int status = RunUnitSession(argc, argv);
        // The thread that reads the input may still wait on it; the C library's clean-up
        // at exit could wait for that thread, so the process ends here.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(status);
    }
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName("varnholt-cli");
    QCoreApplication::setApplicationVersion(VARNHOLT_VERSION);

    CliRequest request;
    QString message;
    switch (ParseCommandLine(QCoreApplication::arguments(), &request, &message)) {
    case HelpShown:
        Print(stdout, message);
        return ExitAllSucceeded;
    case UsageError:
        PrintError(message);
        return ExitUsage;
    case Parsed:
        break;
    }
    switch (request.command) {
    case CliRequest::Check:
        return RunCheck(request);
    case CliRequest::Ports:
        return RunPorts();
    case CliRequest::OnUnits:
        break;
    }
    return RunOnUnits(request);
}
