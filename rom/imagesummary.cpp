#include "rom/imagesummary.h"

#include <QCoreApplication>
#include <QCryptographicHash>

#include <array>

#include "protocol/bootprotocol.h"
#include "protocol/timings.h"
#include "rom/chunklayout.h"
#include "rom/romimage.h"

namespace {

constexpr quint32 CRC32_POLYNOMIAL = 0xEDB88320u;
constexpr int SECONDS_PER_MINUTE = 60;
constexpr int SECONDS_PER_HOUR = 3600;

std::array<quint32, 256> Crc32Table()
{
    std::array<quint32, 256> table{};
    for (quint32 entry = 0; entry < table.size(); ++entry) {
        quint32 value = entry;
        for (int bit = 0; bit < 8; ++bit)
            value = (value & 1u) ? (value >> 1) ^ CRC32_POLYNOMIAL : value >> 1;
        table[entry] = value;
    }
    return table;
}

QString TwoDigits(qint64 value)
{
    return QString::number(value).rightJustified(2, '0');
}

} // namespace

ImageSummary SummarizeImage(const RomImage &image)
{
    ImageSummary summary;
    summary.size = image.bytes.size();
    summary.first = image.startAddress;
    summary.last = image.startAddress + static_cast<quint32>(qMax<qint64>(summary.size - 1, 0));
    summary.frames = static_cast<int>((summary.size + CHUNK_SIZE - 1) / CHUNK_SIZE);
    summary.crc32 = Crc32(image.bytes);
    summary.sha256 = QCryptographicHash::hash(image.bytes, QCryptographicHash::Sha256);
    return summary;
}

quint32 Crc32(const QByteArray &bytes)
{
    static const std::array<quint32, 256> table = Crc32Table();
    quint32 crc = 0xFFFFFFFFu;
    for (char byte : bytes)
        crc = table[(crc ^ static_cast<quint8>(byte)) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

qint64 ImageWireTimeMs(int frames, qint32 baudRate)
{
    return LineTimeMs(qint64(frames) * (DATA_FRAME_SIZE + RESPONSE_FRAME_SIZE), baudRate);
}

qint64 TransferTimeLeftMs(int done, int frames, qint64 doneMs, qint64 sinceMs, qint32 baudRate)
{
    const qint64 lineMs = ImageWireTimeMs(1, baudRate);
    const qint64 perFrame = done > 0 ? qMax(lineMs, doneMs / done) : lineMs;
    const qint64 whole = qint64(frames - done) * perFrame;
    return qMax<qint64>(qMax(whole - sinceMs, whole - perFrame), 0);
}

QString AddressText(quint32 address)
{
    return "0x" + QString::number(address, 16).toUpper().rightJustified(8, '0');
}

QString Crc32Text(quint32 crc32)
{
    return QString::number(crc32, 16).toUpper().rightJustified(8, '0');
}

QString DurationText(qint64 ms)
{
    const qint64 seconds = (qMax<qint64>(ms, 0) + 500) / 1000;
    const QString minutesAndSeconds =
        TwoDigits(seconds / SECONDS_PER_MINUTE % SECONDS_PER_MINUTE) + ":" + TwoDigits(seconds % SECONDS_PER_MINUTE);
    if (seconds < SECONDS_PER_HOUR)
        return QString::number(seconds / SECONDS_PER_MINUTE) + ":" + TwoDigits(seconds % SECONDS_PER_MINUTE);
    return QString::number(seconds / SECONDS_PER_HOUR) + ":" + minutesAndSeconds;
}

QString ShortSummaryText(const ImageSummary &summary, qint32 baudRate)
{
    return QCoreApplication::translate("ImageSummary", "CRC-32 %1, %2 B, %3 frames, %4")
        .arg(Crc32Text(summary.crc32))
        .arg(summary.size)
        .arg(summary.frames)
        .arg(DurationText(ImageWireTimeMs(summary.frames, baudRate)));
}

QString SummaryText(const ImageSummary &summary, qint32 baudRate)
{
    const QString frames = summary.frames == 1
        ? QCoreApplication::translate("ImageSummary", "1 data frame")
        : QCoreApplication::translate("ImageSummary", "%1 data frames").arg(summary.frames);
    return QCoreApplication::translate("ImageSummary", "CRC-32 %1, %2 to %3, %4 bytes, %5, %6 on the wire at %7 baud")
        .arg(Crc32Text(summary.crc32), AddressText(summary.first), AddressText(summary.last))
        .arg(summary.size)
        .arg(frames, DurationText(ImageWireTimeMs(summary.frames, baudRate)))
        .arg(baudRate);
}
