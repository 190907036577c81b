#ifndef ROM_ROMIMAGE_H
#define ROM_ROMIMAGE_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

class QIODevice;

// One read takes at most 99 characters, line end included; a longer line is refused.
constexpr int LINE_BUFFER_SIZE = 100;
constexpr int MAX_RECORD_DATA = 16;

enum RecordType : quint8 {
    DataRecord = 0x00,
    EndOfFileRecord = 0x01,
    ExtendedSegmentAddressRecord = 0x02,
    ExtendedLinearAddressRecord = 0x04
};

// The image of a ROM file that passed the whole check. Its data records follow each other
// without a gap, so the image is one run of bytes from startAddress.
struct RomImage {
    quint32 startAddress = 0;
    QByteArray bytes;
};

// Called every few thousand lines, so that a caller on the GUI thread can keep its window
// live while a large file is read.
using ReadingPulse = std::function<void()>;

// Reads and checks the ROM file at path; only a regular file is opened. On refusal the
// reason says why, with the line number where there is one.
bool ReadRomImage(const QString &path, RomImage *image, QString *reason, const ReadingPulse &pulse = {});

// The check on a device opened as text.
bool ParseRomImage(QIODevice &file, RomImage *image, QString *reason, const ReadingPulse &pulse = {});

#endif
