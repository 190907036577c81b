// The response check on any bytes, and a data frame built from the same bytes with a
// length taken from them, in range or not.

#include "fuzz/fuzzsupport.h"
#include "protocol/bootprotocol.h"

#include <QByteArray>
#include <QScopedPointer>
#include <QtEndian>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <numeric>
#include <vector>

namespace {

quint8 ByteAt(const QByteArray &bytes, int position)
{
    return static_cast<quint8>(bytes.at(position));
}

void CheckResponse(const QByteArray &input)
{
    BootProtocol protocol(FlashApplication);
    const bool valid = protocol.CheckResponseFrame(input);
    if (input.size() != RESPONSE_FRAME_SIZE) {
        Expect(!valid);
        return;
    }
    const quint16 negatedSum =
        static_cast<quint16>(0x10000 - (ByteAt(input, 0) + ByteAt(input, 1) + ByteAt(input, 2) + ByteAt(input, 3)));
    const bool fieldMatches = ByteAt(input, 4) == 0 && ByteAt(input, 5) == 0 && ByteAt(input, 6) == (negatedSum >> 8)
        && ByteAt(input, 7) == (negatedSum & 0xFF);
    Expect(valid == fieldMatches);
}

// The first four input bytes, little-endian, missing ones 0: any 32-bit length can come up.
qint32 LengthFrom(const QByteArray &input)
{
    uchar field[4] = {};
    for (int i = 0; i < 4 && i < input.size(); ++i)
        field[i] = static_cast<uchar>(input.at(i));
    return qFromLittleEndian<qint32>(field);
}

void CheckDataFrame(FrameType type, const QByteArray &input)
{
    const qint32 length = LengthFrom(input);
    // The source holds exactly length bytes where the length is legal, so any read past
    // it is the codec's; one byte more than the data area otherwise. Never empty, since
    // an empty vector may hand out a null pointer, which the codec rightly refuses.
    // The input repeats through it, so that a byte dropped or moved shows.
    std::vector<quint8> source(static_cast<size_t>(qBound(1, length, DATA_AREA_SIZE + 1)));
    const size_t inputSize = static_cast<size_t>(input.size());
    for (size_t filled = 0; inputSize > 0 && filled < source.size(); filled += inputSize)
        std::copy_n(input.constData(), qMin(inputSize, source.size() - filled), source.begin() + filled);

    // On the heap so that a write past the object's end is seen.
    QScopedPointer<BootProtocol> protocol(new BootProtocol(type));
    const QByteArray frame = protocol->PrepareFrame(source.data(), length);
    if (length < 0 || length > DATA_AREA_SIZE) {
        Expect(frame.isEmpty());
        return;
    }

    Expect(frame.size() == DATA_FRAME_SIZE);
    const quint8 code = type == FlashApplicationEnd ? FLASH_APPLICATION_END_CODE : FLASH_APPLICATION_CODE;
    Expect(ByteAt(frame, 0) == FRAME_START && ByteAt(frame, 1) == FRAME_ADDRESS && ByteAt(frame, 2) == DATA_FRAME_KIND
           && ByteAt(frame, 3) == code);
    const auto *frameStart = reinterpret_cast<const quint8 *>(frame.constData());
    const quint8 *checksumField = frameStart + FRAME_HEADER_SIZE + DATA_AREA_SIZE;
    Expect(std::all_of(frameStart + FRAME_HEADER_SIZE + length, checksumField, [](quint8 byte) { return byte == 0; }));
    Expect(std::equal(source.begin(), source.begin() + length, frameStart + FRAME_HEADER_SIZE));
    const quint32 sum = std::accumulate(frameStart, checksumField, 0u);
    const quint32 field = qFromBigEndian<quint32>(checksumField);
    Expect(field == ((0u - sum) & 0xFFFF));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    InstallQuietMessageHandler();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<int>(size));
    CheckResponse(input);
    CheckDataFrame(FlashApplication, input);
    CheckDataFrame(FlashApplicationEnd, input);
    return 0;
}
