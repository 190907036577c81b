#include "rom/romimage.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <algorithm>
#include <cctype>

namespace {

// Byte count, two address bytes, type and checksum around the data of every record.
constexpr int RECORD_FRAME_SIZE = 5;
constexpr int RECORD_DATA_POSITION = 4;
constexpr quint64 ADDRESS_SPACE_END = quint64(1) << 32;
// About 64 KiB of image in 16-byte records.
constexpr int PULSE_LINES = 4096;

QString Address(quint64 address)
{
    return "0x" + QString::number(address, 16).toUpper().rightJustified(8, '0');
}

bool IsHexDigit(char character)
{
    return std::isxdigit(static_cast<unsigned char>(character)) != 0;
}

// The bytes of one record line, checked for form, length and checksum.
bool DecodeRecord(QByteArray line, QByteArray *record, QString *reason)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    if (!line.startsWith(':')) {
        *reason = "does not start with ':'";
        return false;
    }
    const QByteArray digits = line.mid(1);
    if (digits.size() % 2 != 0 || !std::all_of(digits.begin(), digits.end(), IsHexDigit)) {
        *reason = "is not ':' followed by pairs of hex digits";
        return false;
    }
    *record = QByteArray::fromHex(digits);
    if (record->size() < RECORD_FRAME_SIZE
        || record->size() != RECORD_FRAME_SIZE + static_cast<quint8>(record->at(0))) {
        *reason = "byte count does not match the record";
        return false;
    }
    quint8 sum = 0;
    for (char byte : qAsConst(*record))
        sum += static_cast<quint8>(byte);
    if (sum != 0) {
        *reason = "wrong record checksum";
        return false;
    }
    return true;
}

} // namespace

bool ReadRomImage(const QString &path, RomImage *image, QString *reason, const ReadingPulse &pulse)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *reason = "file not found";
        return false;
    }
    // Opening a FIFO or a device could block for ever.
    if (!info.isFile()) {
        *reason = "not a regular file";
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        *reason = file.errorString();
        return false;
    }
    if (file.isSequential()) {
        *reason = "not a regular file";
        return false;
    }
    return ParseRomImage(file, image, reason, pulse);
}

bool ParseRomImage(QIODevice &file, RomImage *image, QString *reason, const ReadingPulse &pulse)
{
    RomImage found;
    quint32 upperAddress = 0;
    quint64 nextAddress = 0;
    bool dataSeen = false;
    bool endSeen = false;
    int lineNumber = 0;
    char buffer[LINE_BUFFER_SIZE];

    const auto refuse = [&](const QString &why) {
        *reason = QString("line %1: %2").arg(lineNumber).arg(why);
        return false;
    };

    qint64 length;
    while ((length = file.readLine(buffer, LINE_BUFFER_SIZE)) > 0) {
        ++lineNumber;
        if (pulse && lineNumber % PULSE_LINES == 0)
            pulse();
        const QByteArray line(buffer, static_cast<int>(length));
        if (!line.endsWith('\n') && !file.atEnd())
            return refuse(QString("longer than %1 characters").arg(LINE_BUFFER_SIZE - 1));
        if (endSeen)
            return refuse("a line after the End Of File record");
        QByteArray record;
        QString why;
        if (!DecodeRecord(line, &record, &why))
            return refuse(why);

        const int byteCount = static_cast<quint8>(record.at(0));
        const QByteArray data = record.mid(RECORD_DATA_POSITION, byteCount);
        switch (static_cast<quint8>(record.at(3))) {
        case DataRecord: {
            if (byteCount > MAX_RECORD_DATA)
                return refuse(QString("data record of more than %1 bytes").arg(MAX_RECORD_DATA));
            if (byteCount == 0)
                break;
            const quint64 address = upperAddress | (static_cast<quint8>(record.at(1)) << 8)
                                    | static_cast<quint8>(record.at(2));
            if (!dataSeen) {
                dataSeen = true;
                found.startAddress = static_cast<quint32>(address);
            } else if (address != nextAddress) {
                return refuse(QString("address %1 does not follow %2")
                                  .arg(Address(address), Address(nextAddress - 1)));
            }
            nextAddress = address + byteCount;
            if (nextAddress > ADDRESS_SPACE_END)
                return refuse("data runs past address 0xFFFFFFFF");
            found.bytes.append(data);
            break;
        }
        case EndOfFileRecord:
            endSeen = true;
            break;
        case ExtendedSegmentAddressRecord:
            return refuse("extended segment address records are not supported");
        case ExtendedLinearAddressRecord:
            if (byteCount != 2)
                return refuse("extended linear address record without exactly two data bytes");
            upperAddress = (quint32(static_cast<quint8>(data.at(0))) << 24)
                           | (quint32(static_cast<quint8>(data.at(1))) << 16);
            break;
        default:
            // Start addresses and other records without image data change nothing.
            break;
        }
    }
    if (!file.atEnd()) {
        *reason = QString("read error after line %1: %2").arg(lineNumber).arg(file.errorString());
        return false;
    }
    if (!dataSeen) {
        *reason = "no data record";
        return false;
    }
    if (!endSeen) {
        *reason = "no End Of File record";
        return false;
    }
    *image = found;
    return true;
}
