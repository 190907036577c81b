#include "protocol/earlyanswers.h"

#include "protocol/bootprotocol.h"

bool IsSuccessStatus(quint8 status)
{
    return status >= JUMP_TO_BOOTLOADER_OK && status <= LAST_CHUNK_FLASHED_OK;
}

QVector<QByteArray> EarlyAnswers::take(const QByteArray &bytes)
{
    pending.append(bytes);
    QVector<QByteArray> frames;
    int start = 0;
    while (pending.size() - start >= RESPONSE_FRAME_SIZE) {
        const QByteArray candidate = pending.mid(start, RESPONSE_FRAME_SIZE);
        BootProtocol check(FlashApplication);
        if (check.CheckResponseFrame(candidate)) {
            frames.append(candidate);
            start += RESPONSE_FRAME_SIZE;
        } else {
            ++start;
        }
    }
    pending.remove(0, start);
    return frames;
}

void EarlyAnswers::clear()
{
    pending.clear();
}
