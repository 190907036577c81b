#ifndef BENCH_ROMFILEWRITER_H
#define BENCH_ROMFILEWRITER_H

#include <QString>
#include <QtGlobal>

class ImagePattern;

// Writes an Intel HEX file of 16-byte Data records at contiguous addresses from address,
// an Extended Linear Address record before each 64 KiB page, and an End Of File record.
// The size is a multiple of 16; the bytes come from the pattern one record at a time.
bool WriteRomFile(const QString &path, quint32 address, qint64 size, ImagePattern &pattern);

#endif
