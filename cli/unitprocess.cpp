#include "cli/unitprocess.h"

#include <QCoreApplication>
#include <QJsonDocument>

#include <limits>

#include "cli/stopsignal.h"
#include "cli/unitevents.h"
#include "rom/imagesummary.h"

namespace {

// A killed process is gone at once; this only bounds the wait for the system to say so.
constexpr int KILL_WAIT_MS = 5000;

QString LastLine(const QByteArray &text)
{
    const QList<QByteArray> lines = text.trimmed().split('\n');
    return QString::fromLocal8Bit(lines.last().trimmed());
}

} // namespace

UnitProcess::UnitProcess(const UnitJob &job, const UnitRecord &record, qint64 boundMs)
    : unitJob(job)
    , unitRecord(record)
{
    bound.setSingleShot(true);
    bound.setInterval(int(qMin<qint64>(boundMs, std::numeric_limits<int>::max())));
    connect(&bound, &QTimer::timeout, this, &UnitProcess::overran);
    connect(&process, &QProcess::readyReadStandardOutput, this, &UnitProcess::readEvents);
    connect(&process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &UnitProcess::processEnded);
    connect(&process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            end(Result::FAILED, "cannot start the unit's process: " + process.errorString());
    });
}

void UnitProcess::start()
{
    unitRecord.started = QDateTime::currentDateTimeUtc();
    clock.start();
    bound.start();
    process.start(QCoreApplication::applicationFilePath(), UnitArguments(unitJob));
}

void UnitProcess::stop()
{
    if (process.state() == QProcess::Running)
        process.write(STOP_LINE);
}

void UnitProcess::kill(const char *result, const QString &why)
{
    if (done || process.state() == QProcess::NotRunning)
        return;
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
        const int index = event.value(Key::INDEX).toInt(-1);
        const QJsonObject line{{Key::TIME, event.value(Key::TIME)}, {Key::KIND, event.value(Key::KIND)},
                               {Key::TEXT, event.value(Key::TEXT)}};
        if (index >= 0 && index < unitRecord.log.size())
            unitRecord.log[index] = line;
        else if (index == unitRecord.log.size())
            unitRecord.log.append(line);
    } else if (kind == Event::STATUS) {
        status = event.value(Key::TEXT).toString();
    } else if (kind == Event::RESULT) {
        takeResult(event);
        return;
    }
    QJsonObject forwarded = event;
    forwarded.remove(Key::INDEX);
    forwarded[Key::PORT] = unitJob.port;
    emit reported(forwarded);
}

// The unit is done once its process has ended too: its port is closed by then.
void UnitProcess::takeResult(const QJsonObject &result)
{
    unitRecord.started = QDateTime::fromString(result.value(Key::STARTED).toString(), Qt::ISODateWithMs);
    unitRecord.finished = QDateTime::fromString(result.value(Key::FINISHED).toString(), Qt::ISODateWithMs);
    unitRecord.log = result.value(Key::LOG).toArray();
    unitRecord.result = result.value(Key::RESULT).toString();
    unitRecord.failedStep = result.value(Key::FAILED_STEP).toString();
}

void UnitProcess::processEnded()
{
    readEvents();
    if (!unitRecord.result.isEmpty()) {
        end(unitRecord.result, unitRecord.failedStep);
        return;
    }
    if (killResult != nullptr) {
        end(killResult, killReason);
        return;
    }
    QString why = QString("the unit's process ended without a result (exit status %1)").arg(process.exitCode());
    const QString lastError = LastLine(process.readAllStandardError());
    if (!lastError.isEmpty())
        why += ": " + lastError;
    end(Result::FAILED, why);
}

void UnitProcess::overran()
{
    kill(Result::FAILED, QString("the unit's %1 did not end within %2, the longest it can take at %3 baud; "
                                 "its process was killed")
                             .arg(OperationName(unitJob.operation), DurationText(bound.interval()))
                             .arg(unitJob.baud));
}

void UnitProcess::end(const QString &result, const QString &failedStep)
{
    if (done)
        return;
    done = true;
    bound.stop();
    unitRecord.result = result;
    unitRecord.failedStep = failedStep;
    if (!unitRecord.finished.isValid())
        unitRecord.finished = QDateTime::currentDateTimeUtc();
    emit finished();
}
