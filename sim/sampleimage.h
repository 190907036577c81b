#ifndef SIM_SAMPLEIMAGE_H
#define SIM_SAMPLEIMAGE_H

#include <QByteArray>
#include <QString>

// A deterministic image of the given size: the same seed gives the same bytes.
QByteArray SampleImage(int size, int seed = 1);

// Writes the image at the address as an Intel HEX file, the way the simulator saves its
// memory, in data records of recordLength bytes.
bool WriteRomFile(const QString &path, quint32 address, const QByteArray &image, int recordLength = 16);

#endif // SIM_SAMPLEIMAGE_H
