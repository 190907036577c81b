#include "cli/unitprocess.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

#include <limits>

#include "platform/system.h"
#include "protocol/bootprotocol.h"
#include "protocol/timings.h"
#include "rom/imagesummary.h"

namespace {

// A killed process is gone at once; this only bounds the wait for the system to say so.
constexpr int KILL_WAIT_MS = 5000;
constexpr qint64 START_MARGIN_MS = 60 * 1000;
// Jump and the operation's command, then Reset; a Flash adds Flash start and Verify.
constexpr int COMMAND_EXCHANGES = 3;
constexpr int FLASH_EXTRA_EXCHANGES = 2;

int Exchanges(WindowDriver::Operation operation, int frames)
{
    return operation == WindowDriver::Flash ? COMMAND_EXCHANGES + FLASH_EXTRA_EXCHANGES + frames : COMMAND_EXCHANGES;
}

// The longest the operation can take at this rate: every fixed wait, every frame on the
// line, and every answer taking the whole response wait for each of its bytes; with a
// margin for starting the process and checking the file. Past it the unit has hung.
qint64 LongestRunMs(WindowDriver::Operation operation, int frames, int baud)
{
    const int exchanges = Exchanges(operation, frames);
    const qint64 commandBytes = qint64(exchanges - frames) * (COMMAND_FRAME_SIZE + RESPONSE_FRAME_SIZE);
    const qint64 answers = qint64(exchanges) * RESPONSE_FRAME_SIZE * RESPONSE_WAIT_MS;
    return START_MARGIN_MS + FIXED_WAITS_MS + LineTimeMs(commandBytes, baud) + ImageWireTimeMs(frames, baud) + answers;
}

QString LastLine(const QByteArray &text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return QString::fromLocal8Bit(lines.last().trimmed());
}

} // namespace

UnitProcess::UnitProcess(const UnitJob &job, const UnitRecord &record)
    : job(job)
    , unitRecord(record)
{
    const qint64 boundMs = LongestRunMs(job.operation, record.image.frames, job.baud);
    bound.setSingleShot(true);
    bound.setInterval(int(qMin<qint64>(boundMs, std::numeric_limits<int>::max())));
    connect(&bound, &QTimer::timeout, this, &UnitProcess::overran);
    connect(&process, &QProcess::readyReadStandardOutput, this, &UnitProcess::readEvents);
    connect(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this, &UnitProcess::processEnded);
    connect(&process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(UnitResult::Failed, "cannot start the unit's process: " + process.errorString());
    });
}

void UnitProcess::start()
{
    unitRecord.started = QDateTime::currentDateTimeUtc();
    clock.start();
    bound.start();
    process.start(QCoreApplication::applicationFilePath(), UnitArguments(job));
}

void UnitProcess::stop(const QString &cause)
{
    stopCause = cause;
    if (process.state() == QProcess::Running)
        process.write(UNIT_STOP_LINE);
}

void UnitProcess::skip(const QString &why)
{
    unitRecord.started = QDateTime::currentDateTimeUtc();
    clock.start();
    end(UnitResult::Skipped, why);
}

void UnitProcess::kill(UnitResult result, const QString &why)
{
    if (done || process.state() == QProcess::NotRunning)
        return;
    killed = true;
    killResult = result;
    killReason = why;
    process.kill();
    if (!process.waitForFinished(KILL_WAIT_MS))
        end(result, why + "; the system did not confirm its end within 5 s");
}

QString UnitProcess::lastLogLine() const
{
    for (auto entry = unitRecord.log.constEnd(); entry != unitRecord.log.constBegin();) {
        const QJsonObject line = (*--entry).toObject();
        if (line.value(Key::KIND).toString() != "status")
            return line.value(Key::TEXT).toString();
    }
    return QString();
}

void UnitProcess::readEvents()
{
    while (process.canReadLine()) {
        const QJsonDocument line = QJsonDocument::fromJson(process.readLine());
        if (line.isObject())
            take(line.object());
    }
}

void UnitProcess::take(const QJsonObject &event)
{
    const QString kind = event.value(Key::EVENT).toString();
    if (kind == Event::LOG_LINE) {
        takeLogLine(event);
    } else if (kind == Event::STATUS) {
        status = event.value(Key::TEXT).toString();
    } else if (kind == Event::RESULT) {
        takeResult(event);
        return;
    }
    QJsonObject forwarded = event;
    forwarded.remove(Key::INDEX);
    forwarded[Key::PORT] = job.port;
    emit reported(forwarded);
}

// The log is the record's own: each line as logged, or as rewritten in place.
void UnitProcess::takeLogLine(const QJsonObject &event)
{
    const int index = event.value(Key::INDEX).toInt(-1);
    const QJsonObject line{
        {Key::TIME, event.value(Key::TIME)}, {Key::KIND, event.value(Key::KIND)}, {Key::TEXT, event.value(Key::TEXT)}};
    if (index >= 0 && index < unitRecord.log.size())
        unitRecord.log[index] = line;
    else if (index == unitRecord.log.size())
        unitRecord.log.append(line);
}

// The unit is done once its process has ended too: its port is closed by then.
void UnitProcess::takeResult(const QJsonObject &result)
{
    resultTaken = ResultFromName(result.value(Key::RESULT).toString(), &unitRecord.result);
    unitRecord.started = QDateTime::fromString(result.value(Key::STARTED).toString(), Qt::ISODateWithMs);
    unitRecord.finished = QDateTime::fromString(result.value(Key::FINISHED).toString(), Qt::ISODateWithMs);
    unitRecord.failedStep = result.value(Key::FAILED_STEP).toString();
    unitRecord.attempts = result.value(Key::ATTEMPTS).toArray();
    const QJsonObject dropped = result.value(Key::DROPPED).toObject();
    unitRecord.droppedCopies = dropped.value(Key::COPY).toInt();
    unitRecord.droppedTooSoon = dropped.value(Key::TOO_SOON).toInt();
}

void UnitProcess::processEnded()
{
    readEvents();
    if (resultTaken) {
        end(unitRecord.result, unitRecord.failedStep);
        return;
    }
    if (killed) {
        end(killResult, killReason);
        return;
    }
    QString why = process.exitStatus() == QProcess::CrashExit
        ? "the unit's process was killed by " + SignalName(process.exitCode())
        : QString("the unit's process ended without a result (exit status %1)").arg(process.exitCode());
    const QString lastError = LastLine(process.readAllStandardError());
    if (!lastError.isEmpty())
        why += ": " + lastError;
    end(UnitResult::Failed, why);
}

void UnitProcess::overran()
{
    kill(UnitResult::Failed,
         QString("the unit's %1 did not end within %2, the longest it can take at %3 baud; "
                 "its process was killed")
             .arg(OperationName(job.operation), DurationText(bound.interval()))
             .arg(job.baud));
}

void UnitProcess::end(UnitResult result, const QString &failedStep)
{
    if (done)
        return;
    done = true;
    bound.stop();
    unitRecord.result = result;
    unitRecord.failedStep = failedStep;
    if (result == UnitResult::Interrupted && !stopCause.isEmpty())
        unitRecord.failedStep += QString(" (stopped by %1)").arg(stopCause);
    if (!unitRecord.finished.isValid())
        unitRecord.finished = QDateTime::currentDateTimeUtc();
    emit finished();
}
