#include "app/norvane.h"

#include <QMessageLogger>
#include <QSerialPort>

#include "connection/operationtexts.h"
#include "rom/chunklayout.h"
#include "rom/frameplan.h"
#include "rom/romimage.h"

namespace {

// Either status answers any data frame.
const QByteArray CHUNK_ANSWERS = QByteArray(1, char(CHUNK_FLASHED_OK)) + char(LAST_CHUNK_FLASHED_OK);

} // namespace

bool Norvane::RunFlashApplication(const RomImage &image)
{
    return ReportResult(SendFlashApplication(image), {
        {WriteTimedOut, QT_TRANSLATE_NOOP("Norvane", "Flash Application: Port write timed out")},
        {ReadTimedOut, QT_TRANSLATE_NOOP("Norvane", "Flash Application: Port read timed out")},
        {InvalidResponseFrame, QT_TRANSLATE_NOOP("Norvane", "Flash Application: Invalid response frame received")},
        {FlashApplicationFailed, QT_TRANSLATE_NOOP("Norvane", "Flash Application: Received flash failure response")},
    });
}

// Sends the image as it was checked; the file is not read again.
CommandResult Norvane::SendFlashApplication(const RomImage &image)
{
    const CommandResult started = SendFlashApplicationStart();
    if (started != Success)
        return started;

    const QVector<PlannedFrame> frames = PlanFrames(image);
    operationEvents.transferBegan(frames.size(), serialPort->baudRate());
    for (int taken = 0; taken < frames.size(); ++taken) {
        const PlannedFrame &frame = frames.at(taken);
        const CommandResult sent = SendChunk(FrameDataArea(image, frame), frame.type, frame.percentage);
        if (sent != Success)
            return sent;
        operationEvents.frameTaken(taken + 1, frames.size());
    }
    // A refusal of an earlier frame that came while the last one went out.
    if (!heldRefusal.isEmpty())
        return FlashApplicationFailed;
    UpdateProgressLine(FULL_SCALE_PERCENTAGE);
    return Success;
}

CommandResult Norvane::SendChunk(const QByteArray &dataArea, FrameType type, int percentage)
{
    QByteArray frame;
    {
        BootProtocol requestProtocol(type);
        frame = requestProtocol.PrepareFrame(reinterpret_cast<const quint8 *>(dataArea.constData()),
                                             dataArea.size());
    }

    QByteArray response;
    const CommandResult exchanged = Exchange(frame, CHUNK_ANSWERS, &response);
    if (exchanged != Success)
        return exchanged;

    const quint8 status = static_cast<quint8>(response.at(RESPONSE_STATUS_OFFSET));
    if (status != CHUNK_FLASHED_OK && status != LAST_CHUNK_FLASHED_OK) {
        QMessageLogger().debug("Failed to flash a chunk");
        return FlashApplicationFailed;
    }
    QMessageLogger().debug("Flashed a chunk successfully");
    UpdateProgressLine(percentage);
    return Success;
}

void Norvane::UpdateProgressLine(int percentage)
{
    ReplaceLastLogLine(tr(FLASH_PROGRESS).arg(percentage));
}
