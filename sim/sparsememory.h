#ifndef SIM_SPARSEMEMORY_H
#define SIM_SPARSEMEMORY_H

#include <QByteArray>
#include <QMap>
#include <QPair>
#include <QVector>

// The unit's flash as runs of written bytes over a 32-bit address space. Unwritten bytes
// read 0xFF, as erased flash does. Bytes that would lie past 0xFFFFFFFF are dropped.
class SparseMemory
{
public:
    void write(quint32 address, const QByteArray &bytes);
    QByteArray read(quint32 address, int length) const;
    void clear();

    // Written runs as (first address, length), in address order; touching runs are merged.
    QVector<QPair<quint32, quint32>> writtenRanges() const;

private:
    // Keyed by first address; the runs never overlap or touch.
    QMap<quint64, QByteArray> runs;
};

#endif // SIM_SPARSEMEMORY_H
