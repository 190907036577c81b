#include "sparsememory.h"

#include <iterator>

namespace {
constexpr quint64 AddressSpaceEnd = quint64(1) << 32;
}

void SparseMemory::write(quint32 address, const QByteArray &bytes)
{
    quint64 start = address;
    quint64 end = qMin(start + quint64(bytes.size()), AddressSpaceEnd);
    if (end <= start)
        return;
    QByteArray merged = bytes.left(int(end - start));

    // Absorb every run that overlaps or touches [start, end); the new bytes win.
    auto it = m_runs.lowerBound(start);
    if (it != m_runs.begin()) {
        auto before = std::prev(it);
        if (before.key() + quint64(before.value().size()) >= start)
            it = before;
    }
    while (it != m_runs.end() && it.key() <= end) {
        const quint64 runStart = it.key();
        const QByteArray &run = it.value();
        const quint64 runEnd = runStart + quint64(run.size());
        if (runStart < start) {
            merged.prepend(run.left(int(start - runStart)));
            start = runStart;
        }
        if (runEnd > end) {
            merged.append(run.mid(int(end - runStart)));
            end = runEnd;
        }
        it = m_runs.erase(it);
    }
    m_runs.insert(start, merged);
}

QByteArray SparseMemory::read(quint32 address, int length) const
{
    QByteArray result(qMax(length, 0), char(0xFF));
    const quint64 start = address;
    const quint64 end = start + quint64(result.size());
    auto it = m_runs.upperBound(start);
    if (it != m_runs.begin())
        --it;
    for (; it != m_runs.end() && it.key() < end; ++it) {
        const quint64 runEnd = it.key() + quint64(it.value().size());
        const quint64 from = qMax(start, it.key());
        const quint64 to = qMin(end, runEnd);
        if (from >= to)
            continue;
        result.replace(int(from - start), int(to - from),
                       it.value().constData() + (from - it.key()), int(to - from));
    }
    return result;
}

void SparseMemory::clear()
{
    m_runs.clear();
}

bool SparseMemory::isBlank() const
{
    return m_runs.isEmpty();
}

QVector<QPair<quint32, quint32>> SparseMemory::writtenRanges() const
{
    QVector<QPair<quint32, quint32>> ranges;
    ranges.reserve(m_runs.size());
    for (auto it = m_runs.cbegin(); it != m_runs.cend(); ++it)
        ranges.append({quint32(it.key()), quint32(it.value().size())});
    return ranges;
}
