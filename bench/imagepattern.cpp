#include "imagepattern.h"

ImagePattern::ImagePattern(quint32 seed)
    : state(2463534242u + seed)
{
}

QByteArray ImagePattern::next(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = static_cast<char>(state);
    }
    return bytes;
}
