#include "ui/operationstatus.h"

#include <QStatusBar>

#include "connection/operationtexts.h"
#include "rom/imagesummary.h"

namespace {

constexpr int TICK_MS = 1000;

struct WatchedOperation {
    const char *name;
    const OperationTexts *texts;
};

const WatchedOperation OPERATIONS[] = {
    {QT_TRANSLATE_NOOP("OperationStatus", "Verify"), &VERIFY_TEXTS},
    {QT_TRANSLATE_NOOP("OperationStatus", "Erase"), &ERASE_TEXTS},
    {QT_TRANSLATE_NOOP("OperationStatus", "Flash"), &FLASH_TEXTS},
};

// After these nothing more is logged: the operation has ended.
bool IsLastLine(const OperationTexts &texts, const QString &line)
{
    for (const char *last : {texts.jumpFailed, texts.commandFailed, texts.resetFailed, texts.resetSucceeded,
                             FLASH_FAILED, FLASH_VERIFY_FAILED})
        if (line == last)
            return true;
    return false;
}

// "[Flash Hanlder] Erasing.." is the step "Erasing..".
QString StepOf(const QString &line)
{
    const int prefixEnd = line.startsWith('[') ? line.indexOf("] ") : -1;
    return prefixEnd < 0 ? line : line.mid(prefixEnd + 2);
}

} // namespace

OperationStatus::OperationStatus(QStatusBar *bar)
    : QObject(bar)
    , bar(bar)
{
    tick.setInterval(TICK_MS);
    connect(&tick, &QTimer::timeout, this, &OperationStatus::show);
}

void OperationStatus::logged(const QString &line)
{
    for (const WatchedOperation &watched : OPERATIONS)
        if (line == watched.texts->started)
            begin(watched.name, watched.texts);
    if (running == nullptr)
        return;
    step = StepOf(line);
    frames = 0;
    if (IsLastLine(*running, line))
        end();
    else
        show();
}

void OperationStatus::reasonShown()
{
    held = running != nullptr;
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

void OperationStatus::begin(const char *name, const OperationTexts *texts)
{
    running = texts;
    operation = tr(name);
    held = false;
    operationClock.start();
    tick.start();
}

void OperationStatus::end()
{
    running = nullptr;
    tick.stop();
    if (!held)
        bar->showMessage(tr("%1: %2 · %3 in all").arg(operation, step, elapsedText()));
}

void OperationStatus::show()
{
    if (held)
        return;
    if (frames == 0) {
        bar->showMessage(tr("%1: %2 · %3 elapsed").arg(operation, step, elapsedText()));
        return;
    }
    const qint64 left =
        TransferTimeLeftMs(framesDone, frames, lastFrameMs, transferClock.elapsed() - lastFrameMs, baudRate);
    bar->showMessage(tr("Flashing: frame %1 of %2 · %3 elapsed · about %4 left")
                         .arg(qMin(framesDone + 1, frames))
                         .arg(frames)
                         .arg(elapsedText(), DurationText(left)));
}

QString OperationStatus::elapsedText() const
{
    return DurationText(operationClock.elapsed());
}
