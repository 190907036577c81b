#include "rom/romimage.h"

#include <QIODevice>

#include <algorithm>

HexRecord::HexRecord(const QByteArray &bytes)
    : bytes(bytes)
{
}

quint8 HexRecord::at(int position) const
{
    if (position < 0 || position >= bytes.size())
        return 0;
    return static_cast<quint8>(bytes.at(position));
}

int HexRecord::size() const
{
    return bytes.size();
}

quint8 HexRecord::byteCount() const
{
    return at(0);
}

quint16 HexRecord::addressOffset() const
{
    return static_cast<quint16>((at(1) << 8) | at(2));
}

quint8 HexRecord::recordType() const
{
    return at(3);
}

bool HexRecord::isData() const
{
    return recordType() == DataRecord;
}

bool HexRecord::isEndOfFile() const
{
    return recordType() == EndOfFileRecord;
}

bool HexRecord::isExtendedLinearAddress() const
{
    return recordType() == ExtendedLinearAddressRecord;
}

quint16 HexRecord::upperAddress() const
{
    return static_cast<quint16>((at(RECORD_DATA_POSITION) << 8) | at(RECORD_DATA_POSITION + 1));
}

int HexRecord::copyData(quint8 (&buffer)[MAX_RECORD_DATA]) const
{
    const int count = std::min<int>(byteCount(), MAX_RECORD_DATA);
    for (int i = 0; i < count; ++i)
        buffer[i] = at(RECORD_DATA_POSITION + i);
    return count;
}

bool ReadRomLine(QIODevice &file, QByteArray *line)
{
    char buffer[LINE_BUFFER_SIZE];
    const qint64 length = file.readLine(buffer, LINE_BUFFER_SIZE);
    if (length <= 0)
        return false;
    *line = QByteArray(buffer, static_cast<int>(length));
    return true;
}

bool DecodeRomLine(const QByteArray &line, HexRecord *record)
{
    if (!line.startsWith(':'))
        return false;
    // fromHex skips spaces and line ends, and pairs digits from the end of the line.
    *record = HexRecord(QByteArray::fromHex(line.mid(1)));
    return true;
}

bool ScanRomImage(QIODevice &file, RomScan *scan)
{
    RomScan found;
    quint16 upperAddress = 0;
    quint16 addressOffset = 0;
    bool dataSeen = false;
    QByteArray line;
    HexRecord record;

    while (ReadRomLine(file, &line)) {
        if (!DecodeRomLine(line, &record))
            return false;
        if (record.isExtendedLinearAddress()) {
            upperAddress = record.upperAddress();
        } else if (record.isData()) {
            // The transfer holds one record in a 16-byte buffer; a longer one cannot be sent.
            if (record.byteCount() > MAX_RECORD_DATA)
                return false;
            addressOffset = record.addressOffset();
            if (!dataSeen) {
                dataSeen = true;
                found.startAddress = FullAddress(upperAddress, addressOffset);
            }
        } else if (record.isEndOfFile()) {
            // Reading goes on: records after an End Of File still belong to the image.
            found.endAddress = FullAddress(upperAddress, addressOffset);
        }
    }
    // A read that failed before the end is not the end of the image.
    if (!file.atEnd() || !dataSeen)
        return false;
    *scan = found;
    return true;
}
