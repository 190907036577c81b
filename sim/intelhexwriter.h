#ifndef SIM_INTELHEXWRITER_H
#define SIM_INTELHEXWRITER_H

#include <QString>

class QIODevice;
class SparseMemory;

// Saves the written runs of a memory as Intel HEX: data records of at most recordLength
// (1 to 16) bytes that end on multiples of recordLength and never cross a 64 KiB page, an
// Extended Linear Address record wherever the upper half of the address changes, and the
// End Of File record.
class IntelHexWriter
{
public:
    static constexpr int DefaultRecordLength = 16;

    static QString text(const SparseMemory &memory, int recordLength = DefaultRecordLength);
    static bool save(const SparseMemory &memory, const QString &path, QString *errorString,
                     int recordLength = DefaultRecordLength);

private:
    static void write(const SparseMemory &memory, QIODevice *device, int recordLength);
};

#endif // SIM_INTELHEXWRITER_H
