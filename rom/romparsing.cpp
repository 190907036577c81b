#include "rom/romimage.h"

#include <QIODevice>

#include <iterator>

#include "rom/imagesummary.h"
#include "rom/romrefusals.h"

namespace {

// Byte count, two address bytes, type and checksum around the data of every record.
constexpr int RECORD_FRAME_SIZE = 5;
constexpr int RECORD_DATA_POSITION = 4;
constexpr quint64 ADDRESS_SPACE_END = quint64(1) << 32;
constexpr int SEGMENT_SIZE = 0x10000;
// About 64 KiB of image in 16-byte records.
constexpr int PULSE_LINES = 4096;

// One record line's bytes, decoded but not yet understood.
struct Record {
    quint8 bytes[MAX_LINE_LENGTH / 2] = {};
    int size = 0;

    int byteCount() const { return bytes[0]; }
    quint16 address() const { return quint16(bytes[1] << 8 | bytes[2]); }
    quint8 type() const { return bytes[3]; }
    const char *data() const { return reinterpret_cast<const char *>(bytes + RECORD_DATA_POSITION); }
};

// What the records read so far add up to.
struct Reading {
    RomImage image;
    // Where the records' 16-bit addresses count from: a linear base, or a segment's.
    quint32 baseAddress = 0;
    bool segmented = false;
    quint64 nextAddress = 0;
    bool dataSeen = false;
    bool endSeen = false;
};

bool Refuse(QString *why, const QString &reason)
{
    *why = reason;
    return false;
}

QString HexByte(quint8 byte)
{
    return QString::number(byte, 16).toUpper().rightJustified(2, '0');
}

int HexValue(char character)
{
    if (character >= '0' && character <= '9')
        return character - '0';
    if (character >= 'A' && character <= 'F')
        return character - 'A' + 10;
    if (character >= 'a' && character <= 'f')
        return character - 'a' + 10;
    return -1;
}

// A character that is no hex digit: a lone CR (a text-mode reader would drop it unseen),
// something after a complete record, or a malformed record.
bool RefuseStray(char stray, int digitsBefore, const Record &record, QString *why)
{
    if (stray == '\r')
        return Refuse(why, RomRefusal::StrayCarriageReturn);
    const int bytesBefore = digitsBefore / 2;
    if (digitsBefore % 2 == 0 && bytesBefore >= RECORD_FRAME_SIZE
        && bytesBefore == RECORD_FRAME_SIZE + record.byteCount())
        return Refuse(why, RomRefusal::AfterChecksum);
    return Refuse(why, RomRefusal::NotHexPairs);
}

bool DecodeDigits(const char *digits, int count, Record *record, QString *why)
{
    for (int i = 0; i < count; ++i) {
        const int value = HexValue(digits[i]);
        if (value < 0)
            return RefuseStray(digits[i], i, *record, why);
        record->bytes[i / 2] = quint8(i % 2 == 0 ? value << 4 : record->bytes[i / 2] | value);
    }
    if (count % 2 != 0)
        return Refuse(why, RomRefusal::NotHexPairs);
    record->size = count / 2;
    if (record->size < RECORD_FRAME_SIZE || record->size != RECORD_FRAME_SIZE + record->byteCount())
        return Refuse(why, RomRefusal::ByteCountMismatch);
    quint8 sum = 0;
    for (int i = 0; i < record->size; ++i)
        sum += record->bytes[i];
    return sum == 0 || Refuse(why, RomRefusal::WrongChecksum);
}

// One line as read, its line end included; lastInFile tells a final line without a line end
// from one too long for the buffer.
bool DecodeLine(const char *line, int length, bool lastInFile, Record *record, QString *why)
{
    const bool ended = length > 0 && line[length - 1] == '\n';
    if (ended) {
        --length;
        if (length > 0 && line[length - 1] == '\r')
            --length;
    }
    if ((!ended && !lastInFile) || length > MAX_LINE_LENGTH)
        return Refuse(why, QString(RomRefusal::TooLong).arg(MAX_LINE_LENGTH));
    if (length == 0 || line[0] != ':')
        return Refuse(why, RomRefusal::NoColon);
    return DecodeDigits(line + 1, length - 1, record, why);
}

bool AddressFieldIsZero(const Record &record, const RomRefusal::Reason &recordName, QString *why)
{
    return record.address() == 0 || Refuse(why, QString(RomRefusal::NonZeroAddressField).arg(QString(recordName)));
}

bool HandleData(const Record &record, Reading *reading, QString *why)
{
    const int count = record.byteCount();
    if (count > MAX_RECORD_DATA)
        return Refuse(why, QString(RomRefusal::DataTooLong).arg(MAX_RECORD_DATA));
    if (count == 0)
        return true;
    // In a segment the address wraps to the segment's start; no image is laid out so.
    if (reading->segmented && record.address() + count > SEGMENT_SIZE)
        return Refuse(why, RomRefusal::PastSegment);
    const quint64 address = quint64(reading->baseAddress) + record.address();
    if (!reading->dataSeen) {
        reading->dataSeen = true;
        reading->image.startAddress = quint32(address);
    } else if (address != reading->nextAddress) {
        return Refuse(why,
                      QString(RomRefusal::AddressGap)
                          .arg(AddressText(quint32(address)), AddressText(quint32(reading->nextAddress - 1))));
    }
    reading->nextAddress = address + count;
    if (reading->nextAddress > ADDRESS_SPACE_END)
        return Refuse(why, RomRefusal::PastAddressSpace);
    if (reading->image.bytes.size() + count > MAX_IMAGE_SIZE)
        return Refuse(why, QString(RomRefusal::ImageTooLarge).arg(MAX_IMAGE_MIB));
    reading->image.bytes.append(record.data(), count);
    return true;
}

bool HandleEndOfFile(const Record &record, Reading *reading, QString *why)
{
    if (record.byteCount() != 0)
        return Refuse(why, RomRefusal::EndOfFileWithData);
    if (!AddressFieldIsZero(record, RomRefusal::EndOfFileName, why))
        return false;
    reading->endSeen = true;
    return true;
}

quint16 AddressData(const Record &record)
{
    const auto *data = reinterpret_cast<const quint8 *>(record.data());
    return quint16(data[0] << 8 | data[1]);
}

// What objcopy writes below 1 MiB: the segment counts in 16-byte paragraphs.
bool HandleExtendedSegmentAddress(const Record &record, Reading *reading, QString *why)
{
    if (!AddressFieldIsZero(record, RomRefusal::SegmentAddressName, why))
        return false;
    if (record.byteCount() != 2)
        return Refuse(why, RomRefusal::SegmentAddressLength);
    reading->baseAddress = quint32(AddressData(record)) << 4;
    reading->segmented = true;
    return true;
}

bool HandleExtendedLinearAddress(const Record &record, Reading *reading, QString *why)
{
    if (!AddressFieldIsZero(record, RomRefusal::LinearAddressName, why))
        return false;
    if (record.byteCount() != 2)
        return Refuse(why, RomRefusal::LinearAddressLength);
    reading->baseAddress = quint32(AddressData(record)) << 16;
    reading->segmented = false;
    return true;
}

// Where the unit starts the program is its own affair; the record only has to be well formed.
bool HandleStartAddress(const Record &record, Reading *, QString *why)
{
    if (!AddressFieldIsZero(record, RomRefusal::StartAddressName, why))
        return false;
    return record.byteCount() == 4 || Refuse(why, RomRefusal::StartAddressLength);
}

using RecordHandler = bool (*)(const Record &, Reading *, QString *);

// Indexed by record type.
constexpr RecordHandler RECORD_HANDLERS[] = {
    HandleData,                   // 00
    HandleEndOfFile,              // 01
    HandleExtendedSegmentAddress, // 02
    HandleStartAddress,           // 03
    HandleExtendedLinearAddress,  // 04
    HandleStartAddress,           // 05
};

bool HandleRecord(const Record &record, Reading *reading, QString *why)
{
    if (reading->endSeen)
        return Refuse(why, RomRefusal::AfterEndOfFile);
    if (record.type() >= std::size(RECORD_HANDLERS))
        return Refuse(why, QString(RomRefusal::UnknownType).arg(HexByte(record.type())));
    return RECORD_HANDLERS[record.type()](record, reading, why);
}

bool CheckEnding(const QIODevice &file, qint64 lineNumber, const Reading &reading, QString *reason)
{
    if (!file.atEnd())
        return Refuse(reason, QString(RomRefusal::ReadError).arg(lineNumber).arg(file.errorString()));
    if (!reading.dataSeen)
        return Refuse(reason, RomRefusal::NoDataRecord);
    return reading.endSeen || Refuse(reason, RomRefusal::NoEndOfFile);
}

} // namespace

bool ParseRomImage(QIODevice &file, RomImage *image, QString *reason, const ReadingPulse &pulse)
{
    file.setTextModeEnabled(false);
    Reading reading;
    char buffer[LINE_BUFFER_SIZE];
    qint64 lineNumber = 0;
    qint64 length;
    while ((length = file.readLine(buffer, LINE_BUFFER_SIZE)) > 0) {
        ++lineNumber;
        if (pulse && lineNumber % PULSE_LINES == 0)
            pulse();
        Record record;
        QString why;
        if (!DecodeLine(buffer, int(length), file.atEnd(), &record, &why) || !HandleRecord(record, &reading, &why))
            return Refuse(reason, QString(RomRefusal::OnLine).arg(lineNumber).arg(why));
    }
    if (!CheckEnding(file, lineNumber, reading, reason))
        return false;
    *image = std::move(reading.image);
    return true;
}
