// A whole ROM file through the check, the frame plan and the codec into the unit's memory
// model: a file is either refused, or the unit ends up holding exactly its data records.

#include "bootloader.h"
#include "fuzzsupport.h"
#include "protocol/bootprotocol.h"
#include "rom/frameplan.h"
#include "rom/romimage.h"
#include "sparsememory.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace {

constexpr int CHUNK_BYTES = 16384;

quint8 Send(Bootloader &unit, FrameType type, const QByteArray &dataArea = QByteArray())
{
    BootProtocol protocol(type);
    return unit.handle(protocol.PrepareFrame(reinterpret_cast<const quint8 *>(dataArea.constData()),
                                             dataArea.size()));
}

// The data records as the plainest reading of Intel HEX places them, up to End Of File.
SparseMemory RecordsOf(const QByteArray &content)
{
    SparseMemory memory;
    quint32 upper = 0;
    for (QByteArray line : content.split('\n')) {
        const QByteArray record = QByteArray::fromHex(line.mid(1));
        if (record.size() < 4)
            continue;
        const quint8 type = quint8(record.at(3));
        if (type == EndOfFileRecord)
            break;
        if (type == ExtendedLinearAddressRecord)
            upper = (quint32(quint8(record.at(4))) << 24) | (quint32(quint8(record.at(5))) << 16);
        if (type == DataRecord)
            memory.write(upper | (quint32(quint8(record.at(1))) << 8) | quint8(record.at(2)),
                         record.mid(4, quint8(record.at(0))));
    }
    return memory;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    InstallQuietMessageHandler();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray content(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QBuffer file(&content);
    Expect(file.open(QIODevice::ReadOnly | QIODevice::Text));
    RomImage image;
    QString reason;
    if (!ParseRomImage(file, &image, &reason)) {
        Expect(!reason.isEmpty() && image.bytes.isEmpty());
        return 0;
    }

    Bootloader unit;
    Expect(Send(unit, JumpToBootloader) == JUMP_TO_BOOTLOADER_OK);
    Expect(Send(unit, EraseApplication) == ERASE_APPLICATION_OK);
    Expect(Send(unit, FlashApplicationStart) == FLASH_APPLICATION_START_OK);
    const QVector<PlannedFrame> frames = PlanFrames(image);
    Expect(!frames.isEmpty());
    for (const PlannedFrame &frame : frames) {
        // The unit refuses anything after an End frame, so only the last may be one.
        const quint8 expected = &frame == &frames.last() ? LAST_CHUNK_FLASHED_OK : CHUNK_FLASHED_OK;
        Expect(Send(unit, frame.type, FrameDataArea(image, frame)) == expected);
    }
    Expect(frames.last().percentage == 100);
    Expect(Send(unit, VerifyApplication) == VERIFY_APPLICATION_OK);

    // One run: the records' bytes, then the zero fill of the last frame's data area.
    const SparseMemory records = RecordsOf(content);
    const auto written = unit.memory().writtenRanges();
    Expect(records.writtenRanges().size() == 1 && written.size() == 1);
    const auto run = records.writtenRanges().first();
    const quint64 padded = quint64(frames.size()) * CHUNK_BYTES;
    Expect(written.first().first == run.first && run.first == image.startAddress);
    Expect(written.first().second == qMin<quint64>(padded, (quint64(1) << 32) - run.first));
    Expect(unit.memory().read(run.first, int(run.second)) == records.read(run.first, int(run.second)));
    Expect(unit.memory().read(run.first + run.second, int(written.first().second - run.second))
           == QByteArray(int(written.first().second - run.second), '\0'));
    return 0;
}
