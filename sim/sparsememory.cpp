#include "sim/sparsememory.h"

#include <iterator>

namespace {
constexpr quint64 AddressSpaceEnd = quint64(1) << 32;
}

void SparseMemory::write(quint32 address, const QByteArray &bytes)
{
    const quint64 start = address;
    quint64 end = qMin(start + quint64(bytes.size()), AddressSpaceEnd);
    if (end <= start)
        return;

    auto it = runs.lowerBound(start);
    if (it != runs.begin()) {
        auto before = std::prev(it);
        if (before.key() + quint64(before.value().size()) >= start)
            it = before;
    }

    // A run that begins earlier grows in place, so writing image after image onto its
    // end costs only the new bytes; the new bytes win where they overlap.
    quint64 runStart = start;
    QByteArray run;
    QByteArray tail;
    if (it != runs.end() && it.key() < start) {
        runStart = it.key();
        run = std::move(it.value());
        it = runs.erase(it);
        const quint64 runEnd = runStart + quint64(run.size());
        if (runEnd > end) {
            tail = run.mid(int(end - runStart));
            end = runEnd;
        }
        run.truncate(int(start - runStart));
    }
    run.append(bytes.constData(), int(qMin(start + quint64(bytes.size()), AddressSpaceEnd) - start));
    run.append(tail);

    // Absorb the later runs that overlap or touch.
    while (it != runs.end() && it.key() <= end) {
        const quint64 laterEnd = it.key() + quint64(it.value().size());
        if (laterEnd > end) {
            run.append(it.value().mid(int(end - it.key())));
            end = laterEnd;
        }
        it = runs.erase(it);
    }
    runs.insert(runStart, run);
}

QByteArray SparseMemory::read(quint32 address, int length) const
{
    QByteArray result(qMax(length, 0), char(0xFF));
    const quint64 start = address;
    const quint64 end = start + quint64(result.size());
    auto it = runs.upperBound(start);
    if (it != runs.begin())
        --it;
    for (; it != runs.end() && it.key() < end; ++it) {
        const quint64 runEnd = it.key() + quint64(it.value().size());
        const quint64 from = qMax(start, it.key());
        const quint64 to = qMin(end, runEnd);
        if (from >= to)
            continue;
        result.replace(int(from - start), int(to - from), it.value().constData() + (from - it.key()), int(to - from));
    }
    return result;
}

void SparseMemory::clear()
{
    runs.clear();
}

QVector<QPair<quint32, quint32>> SparseMemory::writtenRanges() const
{
    QVector<QPair<quint32, quint32>> ranges;
    ranges.reserve(runs.size());
    for (auto it = runs.cbegin(); it != runs.cend(); ++it)
        ranges.append({quint32(it.key()), quint32(it.value().size())});
    return ranges;
}
