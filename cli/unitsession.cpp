#include "cli/unitsession.h"

#include <QApplication>
#include <QJsonArray>

#include <cstdio>

#include "cli/commands.h"
#include "cli/exitstatus.h"
#include "cli/unitevents.h"
#include "connection/operationtexts.h"
#include "connection/portfailure.h"
#include "driver/failuresonly.h"

UnitSession::UnitSession(const UnitJob &job)
    : job(job)
{
    connect(&stopSignal, &StopSignal::stopRequested, this, [this] { driver.stop(); });
}

int UnitSession::run()
{
    started = QDateTime::currentDateTimeUtc();
    const QString refusal = prepare();
    if (!refusal.isEmpty()) {
        driver.disconnectPort();
        return finish(Result::FAILED, refusal);
    }
    if (stopSignal.count() > 0) {
        driver.disconnectPort();
        return finish(Result::INTERRUPTED, "stopped before the operation began: nothing was sent");
    }
    const bool succeeded = driver.run(job.operation);
    driver.disconnectPort();
    return finish(outcome(succeeded), succeeded ? QString() : failedStep());
}

// Empty when the window is connected and, for a Flash, holds the file.
QString UnitSession::prepare()
{
    const QString rate = QString::number(job.baud);
    if (!driver.connectTo(job.port, rate)) {
        const QString boxes = driver.answerer.texts().join("; ");
        return boxes + ": " + PortFailureReason(*window.serialPort);
    }
    if (job.operation == WindowDriver::Flash && !driver.chooseRomFile(job.file))
        return "the window did not take the file: " + driver.answerer.texts().join("; ");
    return QString();
}

// The port is closed before the result goes out.
int UnitSession::finish(const char *result, const QString &failedStep)
{
    stream.sendChanges();
    QJsonArray log;
    for (const LogEntry &entry : window.logHistory)
        log.append(LogEntryJson(entry));
    LogStream::send({{Key::EVENT, Event::RESULT},
                     {Key::RESULT, result},
                     {Key::FAILED_STEP, failedStep.isEmpty() ? QJsonValue() : QJsonValue(failedStep)},
                     {Key::STARTED, JsonTime(started)},
                     {Key::FINISHED, JsonTime(QDateTime::currentDateTimeUtc())},
                     {Key::LOG, log}});
    return ExitStatusOf(result);
}

// A file the window's check refused ends a Flash before the unit is touched.
const char *UnitSession::outcome(bool succeeded) const
{
    if (succeeded)
        return Result::SUCCESS;
    if (stopSignal.count() > 0)
        return Result::INTERRUPTED;
    const bool unitTouched = driver.logLines().contains(FLASH_TEXTS.jumpSucceeded);
    if (job.operation == WindowDriver::Flash && !unitTouched && driver.lastErrorLine() == FLASH_FAILED)
        return Result::REFUSED;
    return Result::FAILED;
}

QString UnitSession::failedStep() const
{
    const QString line = driver.lastErrorLine();
    if (!line.isEmpty())
        return line;
    const QStringList boxes = driver.answerer.texts();
    return boxes.isEmpty() ? "the operation ended without its success line: " + driver.lastLogLine()
                           : boxes.join("; ");
}

int RunUnitSession(int argc, char *argv[])
{
    ShowFailuresOnly();
    // Nobody sees this window, on any system.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    UnitJob job;
    if (!UnitJobFromArguments(application.arguments().mid(1), &job)) {
        std::fprintf(stderr, "varnholt-cli: %s is for the command line's own use\n", UNIT_COMMAND);
        return ExitUsage;
    }
    UnitSession session(job);
    return session.run();
}
