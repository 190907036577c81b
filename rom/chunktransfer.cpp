#include "app/norvane.h"

#include <QFile>
#include <QMessageLogger>
#include <QSerialPort>
#include <QtEndian>

#include <cmath>

#include "rom/chunklayout.h"
#include "rom/romimage.h"

namespace {

FrameType ChunkFrameType(qint32 imageSpan, quint32 sentCount)
{
    if (imageSpan <= SINGLE_FRAME_SPAN)
        return FlashApplicationEnd;
    if (sentCount < static_cast<quint32>(imageSpan))
        return FlashApplication;
    return FlashApplicationEnd;
}

int ProgressPercentage(qint32 imageSpan, quint32 sentCount)
{
    if (imageSpan == 0)
        return 0;
    const double percentage = std::trunc(static_cast<double>(sentCount)
                                         / static_cast<double>(static_cast<quint32>(imageSpan)) * 100.0);
    return percentage > FULL_SCALE_PERCENTAGE ? FULL_SCALE_PERCENTAGE : static_cast<int>(percentage);
}

} // namespace

bool Norvane::RunFlashApplication()
{
    return ReportResult(SendFlashApplication(), {
        {WriteTimedOut, "Flash Application: Port write timed out"},
        {ReadTimedOut, "Flash Application: Port read timed out"},
        {InvalidResponseFrame, "Flash Application: Invalid response frame received"},
        {FlashApplicationFailed, "Flash Application: Received flash failure response"},
        {RomFileOpenFailed, "Flash Application: rom file open failed"},
    });
}

// Streams the image: the file is read twice and at most one chunk is held.
CommandResult Norvane::SendFlashApplication()
{
    QFile file(romFilePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return RomFileOpenFailed;

    RomScan scan;
    if (!ScanRomImage(file, &scan))
        return RomFileOpenFailed;
    file.seek(0);

    const CommandResult started = SendFlashApplicationStart();
    if (started != Success)
        return started;

    const qint32 imageSpan = static_cast<qint32>(scan.endAddress - scan.startAddress);
    quint16 upperAddress = 0;
    quint32 sentCount = 0;
    quint32 chunkFirstAddress = 0;

    // The four address bytes lead the chunk's image bytes, as in the frame's data area.
    QByteArray chunk(CHUNK_ADDRESS_SIZE, '\0');
    chunk.reserve(CHUNK_ADDRESS_SIZE + CHUNK_SIZE + MAX_RECORD_DATA);

    QByteArray line;
    HexRecord record;
    while (ReadRomLine(file, &line)) {
        if (!DecodeRomLine(line, &record))
            return RomFileOpenFailed;
        if (!record.isData()) {
            if (record.recordType() == ExtendedLinearAddressRecord)
                upperAddress = record.upperAddress();
            continue;
        }

        const quint32 recordAddress = FullAddress(upperAddress, record.addressOffset());
        if (chunk.size() == CHUNK_ADDRESS_SIZE)
            chunkFirstAddress = recordAddress;
        quint8 data[MAX_RECORD_DATA];
        const int copied = record.copyData(data);
        chunk.append(reinterpret_cast<const char *>(data), copied);
        sentCount += RECORD_STEP;

        if (chunk.size() - CHUNK_ADDRESS_SIZE < CHUNK_SIZE)
            continue;

        // Records shorter or longer than 16 bytes may overshoot the chunk: the
        // overshoot opens the next chunk instead of overrunning the frame.
        const QByteArray overshoot = chunk.mid(CHUNK_ADDRESS_SIZE + CHUNK_SIZE);
        chunk.truncate(CHUNK_ADDRESS_SIZE + CHUNK_SIZE);
        const CommandResult sent = SendChunk(&chunk, recordAddress - CHUNK_ADDRESS_BACKSTEP,
                                             ChunkFrameType(imageSpan, sentCount),
                                             ProgressPercentage(imageSpan, sentCount));
        if (sent != Success)
            return sent;
        chunk.append(overshoot);
        chunkFirstAddress = recordAddress + static_cast<quint32>(copied - overshoot.size());
    }

    // A file that stopped reading early would otherwise pass for a shorter image.
    if (!file.atEnd())
        return RomFileOpenFailed;

    // The image's last bytes that do not fill a chunk still belong to it.
    if (chunk.size() > CHUNK_ADDRESS_SIZE) {
        const CommandResult sent = SendChunk(&chunk, chunkFirstAddress, FlashApplicationEnd,
                                             ProgressPercentage(imageSpan, sentCount));
        if (sent != Success)
            return sent;
    }

    UpdateProgressLine(FULL_SCALE_PERCENTAGE);
    return Success;
}

// Sends one chunk (address bytes then image bytes) and leaves it holding only the address bytes.
CommandResult Norvane::SendChunk(QByteArray *chunk, quint32 chunkAddress, FrameType type, int percentage)
{
    qToLittleEndian<quint32>(chunkAddress, chunk->data());
    QByteArray frame;
    {
        BootProtocol requestProtocol(type);
        frame = requestProtocol.PrepareFrame(reinterpret_cast<const quint8 *>(chunk->constData()),
                                             chunk->size());
    }
    chunk->truncate(CHUNK_ADDRESS_SIZE);

    QByteArray response;
    const CommandResult exchanged = Exchange(FlashApplication, frame, &response);
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
    ReplaceLastLogLine("[Flash Hanlder] Flashing.. " + QString::number(percentage) + "%");
}
