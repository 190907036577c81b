#include "sim/framereader.h"

#include "sim/wireformat.h"

using namespace WireFormat;

void FrameReader::append(const QByteArray &bytes)
{
    buffer += bytes;
}

QByteArray FrameReader::takeFrame()
{
    for (;;) {
        const int size = announcedFrameSize();
        if (size < 0 || buffer.size() < size)
            return QByteArray();
        if (size == 0) {
            buffer.remove(0, 1);
            ++skipped;
            ++consumed;
            continue;
        }
        const QByteArray frame = buffer.left(size);
        buffer.remove(0, size);
        consumed += size;
        return frame;
    }
}

qint64 FrameReader::skippedBytes() const
{
    return skipped;
}

qint64 FrameReader::consumedBytes() const
{
    return consumed;
}

int FrameReader::announcedFrameSize() const
{
    const int known = qMin(buffer.size(), HeaderSize);
    const auto byteAt = [this](int i) { return static_cast<quint8>(buffer.at(i)); };
    if (known >= 1 && byteAt(0) != StartByte)
        return 0;
    if (known >= 2 && byteAt(1) != AddressByte)
        return 0;
    if (known >= 3 && byteAt(2) == CommandKind)
        return CommandFrameSize;
    if (known >= 3 && byteAt(2) != DataKind)
        return 0;
    if (known < HeaderSize)
        return -1;
    const quint8 code = byteAt(3);
    return code == FlashApplication || code == FlashApplicationEnd ? DataFrameSize : 0;
}
