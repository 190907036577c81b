#include "sim/sampleimage.h"

#include "sim/intelhexwriter.h"
#include "sim/sparsememory.h"

QByteArray SampleImage(int size, int seed)
{
    QByteArray image(size, '\0');
    quint32 state = 2463534242u + quint32(seed);
    for (int i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        image[i] = char(state);
    }
    return image;
}

bool WriteRomFile(const QString &path, quint32 address, const QByteArray &image, int recordLength)
{
    SparseMemory memory;
    memory.write(address, image);
    return IntelHexWriter::save(memory, path, nullptr, recordLength);
}
