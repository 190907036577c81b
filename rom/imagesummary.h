#ifndef ROM_IMAGESUMMARY_H
#define ROM_IMAGESUMMARY_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

struct RomImage;

// What tells one checked image from another before it is sent: where it lies, what its
// transfer costs, and its digests over the image bytes as checked.
struct ImageSummary {
    quint32 first = 0;
    quint32 last = 0;
    qint64 size = 0;
    int frames = 0;
    quint32 crc32 = 0;
    QByteArray sha256;
};

ImageSummary SummarizeImage(const RomImage &image);

// CRC-32 with zlib's polynomial, as `crc32` and most checksum tools print it.
quint32 Crc32(const QByteArray &bytes);

// Time on the line of the image's data frames and their answers at this rate.
qint64 ImageWireTimeMs(int frames, qint32 baudRate);

// Time left of a transfer of `frames` data frames, `done` of them taken by the unit, the
// last `doneMs` after the transfer began and `sinceMs` ago. Each frame left is taken to cost
// what those so far cost on average, and never less than the line needs for it; the frame
// under way counts down, but not below the frames after it.
qint64 TransferTimeLeftMs(int done, int frames, qint64 doneMs, qint64 sinceMs, qint32 baudRate);

// "0x00080000", "1A2B3C4D", "0:23" (or "1:02:03").
QString AddressText(quint32 address);
QString Crc32Text(quint32 crc32);
QString DurationText(qint64 ms);

// One line for the status bar and the command line, the CRC first because the status bar
// may not show the whole line: "CRC-32 1A2B3C4D, 0x00080000 to 0x000BFFFF, 262144 bytes,
// 16 data frames, 0:23 on the wire at 115200 baud".
QString SummaryText(const ImageSummary &summary, qint32 baudRate);
// What of it fits the window's status bar: "CRC-32 1A2B3C4D, 262144 B, 16 frames, 0:23".
QString ShortSummaryText(const ImageSummary &summary, qint32 baudRate);

#endif
