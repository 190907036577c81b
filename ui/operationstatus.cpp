#include "ui/operationstatus.h"

#include <QLabel>
#include <QStatusBar>

#include "rom/imagesummary.h"

namespace {

constexpr int TICK_MS = 1000;

const char *const OPERATION_NAMES[] = {
    QT_TRANSLATE_NOOP("OperationStatus", "Verify"),
    QT_TRANSLATE_NOOP("OperationStatus", "Erase"),
    QT_TRANSLATE_NOOP("OperationStatus", "Flash"),
};

const char *const STEP_NAMES[] = {
    QT_TRANSLATE_NOOP("OperationStatus", "jump"),
    QT_TRANSLATE_NOOP("OperationStatus", "erase"),
    QT_TRANSLATE_NOOP("OperationStatus", "transfer"),
    QT_TRANSLATE_NOOP("OperationStatus", "verify"),
    QT_TRANSLATE_NOOP("OperationStatus", "reset"),
};

// Short, to leave the image's summary its room; %1 is the step the operation was at.
const char *const OUTCOME_TEXTS[] = {
    QT_TRANSLATE_NOOP("OperationStatus", "succeeded"),
    QT_TRANSLATE_NOOP("OperationStatus", "failed at %1"),
    QT_TRANSLATE_NOOP("OperationStatus", "file refused"),
    QT_TRANSLATE_NOOP("OperationStatus", "line lost at %1"),
    QT_TRANSLATE_NOOP("OperationStatus", "stopped at %1"),
};

} // namespace

OperationStatus::OperationStatus(QStatusBar *bar)
    : QObject(bar)
    , summary(new QLabel(bar))
    , operationLabel(new QLabel(bar))
{
    summary->setObjectName("imageSummaryLabel");
    operationLabel->setObjectName("operationStatusLabel");
    // The summary yields to the operation; its CRC-32 comes first.
    summary->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(summary, 1);
    bar->addPermanentWidget(operationLabel);
    // The window's size is fixed: a grip would only take room.
    bar->setSizeGripEnabled(false);
    tick.setInterval(TICK_MS);
    connect(&tick, &QTimer::timeout, this, &OperationStatus::show);
}

void OperationStatus::showSummary(const QString &shortText, const QString &wholeText)
{
    summary->setText(shortText);
    summary->setToolTip(wholeText);
}

void OperationStatus::showReason(const QString &text)
{
    held = running;
    showOperation(text);
}

void OperationStatus::clearReason()
{
    if (!running)
        showOperation(QString());
}

QString OperationStatus::text() const
{
    return operationLabel->text();
}

void OperationStatus::operationBegan(Operation began)
{
    running = true;
    held = false;
    operation = tr(OPERATION_NAMES[int(began)]);
    step.clear();
    frames = 0;
    operationClock.start();
    tick.start();
    show();
}

void OperationStatus::stepBegan(Step began)
{
    step = tr(STEP_NAMES[int(began)]);
    frames = 0;
    show();
}

void OperationStatus::transferBegan(int frameCount, qint32 rate)
{
    frames = frameCount;
    framesDone = 0;
    lastFrameMs = 0;
    baudRate = rate;
    transferClock.start();
    show();
}

void OperationStatus::frameTaken(int done, int frameCount)
{
    Q_UNUSED(frameCount)
    framesDone = done;
    lastFrameMs = transferClock.elapsed();
    show();
}

void OperationStatus::operationEnded(Outcome outcome, const QString &failedStep, const QString &cause)
{
    Q_UNUSED(failedStep)
    Q_UNUSED(cause)
    running = false;
    tick.stop();
    if (held)
        return;
    const QString result = tr(OUTCOME_TEXTS[int(outcome)]).arg(step);
    showOperation(tr("%1 %2 · %3").arg(operation, result, elapsedText()));
}

void OperationStatus::show()
{
    if (held)
        return;
    if (frames == 0) {
        showOperation(tr("%1: %2 · %3").arg(operation, step.isEmpty() ? tr("starting") : step, elapsedText()));
        return;
    }
    const qint64 left =
        TransferTimeLeftMs(framesDone, frames, lastFrameMs, transferClock.elapsed() - lastFrameMs, baudRate);
    showOperation(tr("Frame %1 of %2 · %3 left")
                      .arg(qMin(framesDone + 1, frames))
                      .arg(frames)
                      .arg(DurationText(left)));
}

void OperationStatus::showOperation(const QString &text)
{
    operationLabel->setText(text);
    operationLabel->setToolTip(text);
}

QString OperationStatus::elapsedText() const
{
    return DurationText(operationClock.elapsed());
}
