#include <QApplication>
#include <QJsonArray>
#include <QTextEdit>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <thread>

#include "app/norvane.h"
#include "cli/commandline.h"
#include "cli/runoutput.h"
#include "cli/unitrecord.h"
#include "connection/operationlistener.h"
#include "connection/portfailure.h"
#include "driver/failuresonly.h"
#include "platform/stopsignals.h"
#include "platform/system.h"

namespace {

// Blocks on the input for as long as the process lives, so it runs on a thread of its own;
// the unit process ends without the C library's clean-up, which would wait for it. A stop
// line or the input's end (the command line gone) stops the unit at its next safe point.
void ReadInput()
{
    char line[64];
    while (std::fgets(line, sizeof line, stdin) != nullptr) {
        if (std::strcmp(line, UNIT_STOP_LINE) == 0)
            break;
    }
    NoteStop(StopSignals::Interrupt);
}

bool SameEntry(const LogEntry &one, const LogEntry &other)
{
    return one.time == other.time && one.kind == other.kind && one.text == other.text;
}

void Send(const QJsonObject &event)
{
    PrintLine(stdout, QString::fromUtf8(CompactJson(event)));
}

constexpr int STATUS_TICK_MS = 1000;
const char *const STEP_NAMES[] = {"the jump to the bootloader", "Erase", "the transfer", "Verify", "Reset"};

QJsonValue TextOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

// One unit's process: the window's own code, never shown, works the unit through the
// window driver as a technician would. Each log line crosses to the command line once, as
// the window logs or rewrites it, and the status bar's text whenever it changes. How each
// operation went, the window tells it.
class UnitSession : public OperationListener
{
public:
    explicit UnitSession(const UnitJob &job);
    ~UnitSession() override;

    // Connects, chooses the file, runs the operation (again after a failure, as often as
    // the job allows) and closes the port; the exit status.
    int run();

    void stepBegan(Step step) override;
    void frameTaken(int framesDone, int frames) override;
    void answerDropped(DroppedAnswer why, const QString &text) override;
    void operationEnded(Outcome outcome, const QString &failedStep, const QString &cause) override;

private:
    QString prepare();
    UnitResult runAttempts();
    UnitResult attemptResult(bool succeeded) const;
    QString whereStopped() const;
    int finish(UnitResult result, const QString &failedStep);
    void sendLogChanges();
    void sendChanges();

    UnitJob job;
    Norvane window;
    WindowDriver driver{window};
    StopSignals stopSignals;
    QTimer statusTick;
    QVector<LogEntry> sent;
    QString status;
    QDateTime started;
    QJsonArray attempts;
    Step step = Step::JumpToBootloader;
    int framesDone = 0;
    int frames = 0;
    int droppedCopies = 0;
    int droppedTooSoon = 0;
    QString lastDrop;
    Outcome outcome = Outcome::Failed;
    QString endedFailedStep;
};

// Queued: the window keeps a line in its history only after the pane has shown it.
UnitSession::UnitSession(const UnitJob &job)
    : job(job)
{
    window.operationEvents.add(this);
    QObject::connect(&stopSignals, &StopSignals::stopRequested, [this] { driver.stop(); });
    QObject::connect(
        window.progressTextEdit, &QTextEdit::textChanged, &stopSignals, [this] { sendChanges(); },
        Qt::QueuedConnection);
    // The status line's time moves on between the operation's events.
    QObject::connect(&statusTick, &QTimer::timeout, [this] { sendChanges(); });
    statusTick.start(STATUS_TICK_MS);
}

UnitSession::~UnitSession()
{
    window.operationEvents.remove(this);
}

int UnitSession::run()
{
    started = QDateTime::currentDateTimeUtc();
    const QString refusal = prepare();
    if (!refusal.isEmpty()) {
        driver.disconnectPort();
        return finish(UnitResult::Failed, refusal);
    }
    if (StopSignals::count() > 0) {
        driver.disconnectPort();
        return finish(UnitResult::Interrupted, "stopped before the operation began: nothing was sent");
    }
    const UnitResult result = runAttempts();
    driver.disconnectPort();
    return finish(result, endedFailedStep);
}

// Only a plain failure is tried again: a stop, a refused file or a lost line would end the
// same way, or should not be overruled.
UnitResult UnitSession::runAttempts()
{
    for (int attempt = 0;; ++attempt) {
        const QDateTime attemptStarted = QDateTime::currentDateTimeUtc();
        endedFailedStep.clear();
        const UnitResult result = attemptResult(driver.run(job.operation));
        attempts.append(QJsonObject{{Key::STARTED, JsonTime(attemptStarted)},
                                    {Key::RESULT, ResultName(result)},
                                    {Key::FAILED_STEP, TextOrNull(endedFailedStep)}});
        if (result != UnitResult::Failed || outcome != Outcome::Failed || attempt >= job.retries)
            return result;
    }
}

UnitResult UnitSession::attemptResult(bool succeeded) const
{
    if (succeeded)
        return UnitResult::Success;
    if (StopSignals::count() > 0 || outcome == Outcome::Stopped)
        return UnitResult::Interrupted;
    // A file the window's check refused ends a Flash before the unit is touched.
    return outcome == Outcome::FileRefused ? UnitResult::Refused : UnitResult::Failed;
}

void UnitSession::stepBegan(Step step)
{
    this->step = step;
    framesDone = frames = 0;
}

void UnitSession::frameTaken(int framesDone, int frames)
{
    this->framesDone = framesDone;
    this->frames = frames;
}

void UnitSession::answerDropped(DroppedAnswer why, const QString &text)
{
    ++(why == DroppedAnswer::Copy ? droppedCopies : droppedTooSoon);
    lastDrop = text;
}

// The cause, then the operation's own red line: "Erase Application: Port read timed out /
// [Flash Hanlder] Erase failed".
void UnitSession::operationEnded(Outcome outcome, const QString &failedStep, const QString &cause)
{
    this->outcome = outcome;
    QString why = cause;
    if (outcome == Outcome::LineLost)
        why = why.isEmpty() ? "the line was lost" : "the line was lost: " + why;
    if (outcome == Outcome::Stopped)
        why += " (" + whereStopped() + ")";
    const int dropped = droppedCopies + droppedTooSoon;
    if (outcome != Outcome::Succeeded && dropped > 0)
        why += QString(" (after %1 dropped answer%2, the last: %3)").arg(dropped).arg(dropped > 1 ? "s" : "", lastDrop);
    endedFailedStep = why.isEmpty() ? failedStep : why.trimmed() + " / " + failedStep;
}

// What the unit was waiting for when the stop came: the step's next exchange.
QString UnitSession::whereStopped() const
{
    const QString where = QString("waiting for %1").arg(STEP_NAMES[int(step)]);
    return step == Step::Transfer && frames > 0 ? where + QString(", after frame %1 of %2").arg(framesDone).arg(frames)
                                                : where;
}

// Empty when the window is connected and, for a Flash, holds the file.
QString UnitSession::prepare()
{
    const QString rate = QString::number(job.baud);
    if (!driver.connectTo(job.port, rate))
        return driver.answerer.texts().join("; ") + ": " + PortFailureReason(*window.serialPort);
    if (job.operation == WindowDriver::Flash && !driver.chooseRomFile(job.file))
        return "the window did not take the file: " + driver.answerer.texts().join("; ");
    return QString();
}

// The port is closed before the result goes out; the log has gone out line by line.
int UnitSession::finish(UnitResult result, const QString &failedStep)
{
    QString step = failedStep;
    if (result != UnitResult::Success && step.isEmpty())
        step = "the operation ended without its success line: " + driver.lastLogLine();
    sendChanges();
    Send({{Key::EVENT, Event::RESULT},
          {Key::RESULT, ResultName(result)},
          {Key::FAILED_STEP, TextOrNull(step)},
          {Key::STARTED, JsonTime(started)},
          {Key::FINISHED, JsonTime(QDateTime::currentDateTimeUtc())},
          {Key::ATTEMPTS, attempts},
          {Key::DROPPED, QJsonObject{{Key::COPY, droppedCopies}, {Key::TOO_SOON, droppedTooSoon}}}});
    return result == UnitResult::Success ? ExitAllSucceeded : ExitSomeFailed;
}

void UnitSession::sendLogChanges()
{
    const QVector<LogEntry> &history = window.logHistory;
    for (int index = 0; index < history.size(); ++index) {
        if (index < sent.size() && SameEntry(history.at(index), sent.at(index)))
            continue;
        QJsonObject event = LogEntryJson(history.at(index));
        event[Key::EVENT] = Event::LOG_LINE;
        event[Key::INDEX] = index;
        Send(event);
    }
    sent = history;
}

// Only a change goes out; a reason the window also keeps in its log goes out once, as
// that log line.
void UnitSession::sendChanges()
{
    sendLogChanges();
    const QString text = driver.statusText();
    if (text.isEmpty() || text == status)
        return;
    status = text;
    if (!sent.isEmpty() && sent.last().kind == LogEntry::Status && sent.last().text == text)
        return;
    Send({{Key::EVENT, Event::STATUS}, {Key::TIME, JsonTime(QDateTime::currentDateTimeUtc())}, {Key::TEXT, text}});
}

} // namespace

int RunUnitSession(int argc, char *argv[])
{
    ShowFailuresOnly();
    // Nobody sees this window, on any system.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    UnitJob job;
    if (!UnitJobFromArguments(application.arguments().mid(1), &job)) {
        PrintError("the unit command is for the command line's own use");
        return ExitUsage;
    }
    // Without the command line the unit still ends at its next safe point, through the
    // input's end, rather than on its next line of output in the middle of a frame.
    KeepRunningWhenOutputCloses();
    std::thread(ReadInput).detach();
    UnitSession session(job);
    return session.run();
}
