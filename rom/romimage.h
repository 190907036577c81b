#ifndef ROM_ROMIMAGE_H
#define ROM_ROMIMAGE_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <functional>

class QIODevice;

// Characters of one line, its line end (LF or CR LF) not counted; a longer line is refused.
constexpr int MAX_LINE_LENGTH = 99;
// One read takes a line of that length, its CR LF and the terminating zero.
constexpr int LINE_BUFFER_SIZE = MAX_LINE_LENGTH + 3;
constexpr int MAX_RECORD_DATA = 16;
// Browse takes only a file whose name ends so, in lower case; the command line likewise.
constexpr char ROM_FILE_SUFFIX[] = ".rom";
// Far above any unit's flash, and well within what one byte array can hold.
constexpr int MAX_IMAGE_MIB = 256;
constexpr qint64 MAX_IMAGE_SIZE = qint64(MAX_IMAGE_MIB) * 1024 * 1024;

// The image of a ROM file that passed the whole check. Its data records follow each other
// without a gap, so the image is one run of bytes from startAddress.
struct RomImage {
    quint32 startAddress = 0;
    QByteArray bytes;
};

// Called every few thousand lines, so that a caller on the GUI thread can keep its window
// live while a large file is read.
using ReadingPulse = std::function<void()>;

// Reads and checks the ROM file at path; only a regular file is opened, and opening never
// waits. On refusal the reason says why, with the line number where there is one.
bool ReadRomImage(const QString &path, RomImage *image, QString *reason, const ReadingPulse &pulse = {});

// The check on an open device, read as bytes: a CR counts only as part of a CR LF line end.
bool ParseRomImage(QIODevice &file, RomImage *image, QString *reason, const ReadingPulse &pulse = {});

#endif
