#ifndef INTELHEXWRITER_H
#define INTELHEXWRITER_H

#include <QString>

class SparseMemory;

// Saves the written runs of a memory as Intel HEX: data records of at most 16 bytes that
// end on 16-byte boundaries, an Extended Linear Address record wherever the upper half of
// the address changes, and the End Of File record.
class IntelHexWriter
{
public:
    static QString text(const SparseMemory &memory);
    static bool save(const SparseMemory &memory, const QString &path, QString *errorString);
};

#endif // INTELHEXWRITER_H
