#include "sim/wireformat.h"

#include <QString>

namespace WireFormat {

QByteArray ChecksumField(const char *bytes, int count)
{
    quint32 sum = 0;
    for (int i = 0; i < count; ++i)
        sum += static_cast<quint8>(bytes[i]);
    const quint16 negated = static_cast<quint16>(0u - sum);
    QByteArray field(ChecksumFieldSize, '\0');
    field[2] = static_cast<char>(negated >> 8);
    field[3] = static_cast<char>(negated & 0xFF);
    return field;
}

bool HasValidChecksum(const QByteArray &frame)
{
    if (frame.size() < ChecksumFieldSize)
        return false;
    const int covered = frame.size() - ChecksumFieldSize;
    return frame.mid(covered) == ChecksumField(frame.constData(), covered);
}

QByteArray ResponseFrame(quint8 status)
{
    QByteArray frame(HeaderSize, '\0');
    frame[3] = static_cast<char>(status);
    frame += ChecksumField(frame.constData(), HeaderSize);
    return frame;
}

quint8 PositiveStatus(quint8 commandCode)
{
    switch (commandCode) {
    case JumpToBootloader:
        return 0x80;
    case VerifyApplication:
        return 0x81;
    case EraseApplication:
        return 0x82;
    case FlashApplication:
        return 0x83;
    case ResetEcu:
        return 0x84;
    case FlashApplicationStart:
        return 0x85;
    case FlashApplicationEnd:
        return 0x86;
    default:
        return 0;
    }
}

QString CommandName(quint8 commandCode)
{
    switch (commandCode) {
    case JumpToBootloader:
        return QStringLiteral("Jump to Boot Loader");
    case VerifyApplication:
        return QStringLiteral("Verify Application");
    case EraseApplication:
        return QStringLiteral("Erase Application");
    case FlashApplication:
        return QStringLiteral("Flash Application");
    case ResetEcu:
        return QStringLiteral("Reset ECU");
    case FlashApplicationStart:
        return QStringLiteral("Flash Application Start");
    case FlashApplicationEnd:
        return QStringLiteral("Flash Application End");
    default:
        return QStringLiteral("unknown command");
    }
}

} // namespace WireFormat
