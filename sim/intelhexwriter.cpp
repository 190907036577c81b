#include "sim/intelhexwriter.h"

#include <QBuffer>
#include <QSaveFile>

#include <algorithm>

#include "sim/sparsememory.h"

namespace {

constexpr quint8 DataRecord = 0x00;
constexpr quint8 EndOfFileRecord = 0x01;
constexpr quint8 ExtendedLinearAddressRecord = 0x04;
constexpr quint64 PageSize = 0x10000;

QByteArray Record(quint8 type, quint16 offset, const QByteArray &data)
{
    QByteArray bytes;
    bytes.append(char(data.size()));
    bytes.append(char(offset >> 8));
    bytes.append(char(offset & 0xFF));
    bytes.append(char(type));
    bytes.append(data);
    quint8 sum = 0;
    for (char byte : qAsConst(bytes))
        sum += quint8(byte);
    bytes.append(char(quint8(0u - sum)));
    return ':' + bytes.toHex().toUpper() + '\n';
}

} // namespace

QString IntelHexWriter::text(const SparseMemory &memory, int recordLength)
{
    QBuffer hex;
    hex.open(QIODevice::WriteOnly);
    write(memory, &hex, recordLength);
    return QString::fromLatin1(hex.data());
}

// Record by record, so that a large image never stands in memory as text.
void IntelHexWriter::write(const SparseMemory &memory, QIODevice *device, int recordLength)
{
    bool upperKnown = false;
    quint16 upper = 0;
    for (const auto &range : memory.writtenRanges()) {
        quint64 address = range.first;
        const quint64 end = address + range.second;
        while (address < end) {
            const quint64 recordEnd =
                std::min({end, (address / recordLength + 1) * recordLength, (address / PageSize + 1) * PageSize});
            const quint16 recordUpper = quint16(address >> 16);
            if (!upperKnown || recordUpper != upper) {
                const char upperBytes[] = {char(recordUpper >> 8), char(recordUpper & 0xFF)};
                device->write(Record(ExtendedLinearAddressRecord, 0, QByteArray(upperBytes, 2)));
                upper = recordUpper;
                upperKnown = true;
            }
            device->write(
                Record(DataRecord, quint16(address & 0xFFFF), memory.read(quint32(address), int(recordEnd - address))));
            address = recordEnd;
        }
    }
    device->write(Record(EndOfFileRecord, 0, QByteArray()));
}

bool IntelHexWriter::save(const SparseMemory &memory, const QString &path, QString *errorString, int recordLength)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        if (errorString)
            *errorString = file.errorString();
        return false;
    }
    write(memory, &file, recordLength);
    if (!file.commit()) {
        if (errorString)
            *errorString = file.errorString();
        return false;
    }
    return true;
}
