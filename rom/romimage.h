#ifndef ROM_ROMIMAGE_H
#define ROM_ROMIMAGE_H

#include <QByteArray>
#include <QtGlobal>

class QIODevice;

// One read takes at most 99 characters and stops after a line end.
constexpr int LINE_BUFFER_SIZE = 100;
constexpr int MAX_RECORD_DATA = 16;
constexpr int RECORD_DATA_POSITION = 4;

enum RecordType : quint8 {
    DataRecord = 0x00,
    EndOfFileRecord = 0x01,
    ExtendedLinearAddressRecord = 0x04
};

// One decoded record line: a byte string read by position; a position past the end reads 0.
class HexRecord
{
public:
    HexRecord() = default;
    explicit HexRecord(const QByteArray &bytes);

    quint8 at(int position) const;
    int size() const;

    quint8 byteCount() const;
    quint16 addressOffset() const;
    quint8 recordType() const;

    // A record too short to carry a type reads type 0 and so counts as Data.
    bool isData() const;
    bool isEndOfFile() const;
    bool isExtendedLinearAddress() const;

    // The upper address an Extended Linear Address record sets.
    quint16 upperAddress() const;

    // Copies byteCount data bytes, never more than the buffer holds; returns how many.
    int copyData(quint8 (&buffer)[MAX_RECORD_DATA]) const;

private:
    QByteArray bytes;
};

constexpr quint32 FullAddress(quint16 upperAddress, quint16 addressOffset)
{
    return (quint32(upperAddress) << 16) | addressOffset;
}

// Reads the next line through the line buffer; false at the end of the file.
bool ReadRomLine(QIODevice &file, QByteArray *line);

// False if the line does not start with ':'; otherwise decodes it into record.
bool DecodeRomLine(const QByteArray &line, HexRecord *record);

struct RomScan
{
    quint32 startAddress = 0;
    quint32 endAddress = 0;
};

// First pass over a file opened as text: false if a line fails the colon test, a Data
// record claims more than MAX_RECORD_DATA bytes, or there is no Data record at all.
// Leaves the file at its end.
bool ScanRomImage(QIODevice &file, RomScan *scan);

#endif
