#include "rom/frameplan.h"

#include <QtEndian>

#include "rom/chunklayout.h"
#include "rom/romimage.h"

namespace {

int ProgressPercentage(qint64 sent, qint64 size)
{
    const qint64 percentage = sent * FULL_SCALE_PERCENTAGE / (size - PROGRESS_SPAN_BACKSTEP);
    return static_cast<int>(qMin<qint64>(percentage, FULL_SCALE_PERCENTAGE - 1));
}

} // namespace

QVector<PlannedFrame> PlanFrames(const RomImage &image)
{
    QVector<PlannedFrame> frames;
    const int size = image.bytes.size();
    for (int offset = 0; offset < size; offset += CHUNK_SIZE) {
        const int length = qMin(CHUNK_SIZE, size - offset);
        const bool last = offset + length == size;
        frames.append({image.startAddress + static_cast<quint32>(offset), offset, length,
                       last ? FlashApplicationEnd : FlashApplication,
                       last ? FULL_SCALE_PERCENTAGE : ProgressPercentage(offset + length, size)});
    }
    return frames;
}

QByteArray FrameDataArea(const RomImage &image, const PlannedFrame &frame)
{
    QByteArray area(CHUNK_ADDRESS_SIZE, '\0');
    qToLittleEndian<quint32>(frame.address, area.data());
    area.append(image.bytes.constData() + frame.offset, frame.length);
    return area;
}
