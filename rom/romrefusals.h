#ifndef ROM_ROMREFUSALS_H
#define ROM_ROMREFUSALS_H

#include <QCoreApplication>
#include <QString>

// Why a ROM file is refused, as the status bar and the command line show it. The reasons
// about one line come after "line N: ".
namespace RomRefusal {

// A reason's source text, which becomes the user's language where it is shown.
struct Reason {
    const char *source;

    operator QString() const { return QCoreApplication::translate("RomRefusal", source); }
};

constexpr Reason FileNotFound{QT_TRANSLATE_NOOP("RomRefusal", "file not found")};
constexpr Reason LinkLoop{QT_TRANSLATE_NOOP("RomRefusal", "symbolic link loop")};
constexpr Reason DanglingLink{QT_TRANSLATE_NOOP("RomRefusal", "dangling symbolic link to %1")};
constexpr Reason NotRegularFile{QT_TRANSLATE_NOOP("RomRefusal", "not a regular file")};
constexpr Reason ReadError{QT_TRANSLATE_NOOP("RomRefusal", "read error after line %1: %2")};
constexpr Reason NoDataRecord{QT_TRANSLATE_NOOP("RomRefusal", "no data record")};
constexpr Reason NoEndOfFile{QT_TRANSLATE_NOOP("RomRefusal", "no End Of File record")};

constexpr Reason OnLine{QT_TRANSLATE_NOOP("RomRefusal", "line %1: %2")};
constexpr Reason NoColon{QT_TRANSLATE_NOOP("RomRefusal", "does not start with ':'")};
constexpr Reason TooLong{QT_TRANSLATE_NOOP("RomRefusal", "longer than %1 characters")};
constexpr Reason NotHexPairs{QT_TRANSLATE_NOOP("RomRefusal", "is not ':' followed by pairs of hex digits")};
constexpr Reason StrayCarriageReturn{QT_TRANSLATE_NOOP("RomRefusal", "a carriage return that does not end the line")};
constexpr Reason AfterChecksum{QT_TRANSLATE_NOOP("RomRefusal", "characters after the checksum")};
constexpr Reason ByteCountMismatch{QT_TRANSLATE_NOOP("RomRefusal", "byte count does not match the record")};
constexpr Reason WrongChecksum{QT_TRANSLATE_NOOP("RomRefusal", "wrong record checksum")};
constexpr Reason AfterEndOfFile{QT_TRANSLATE_NOOP("RomRefusal", "a line after the End Of File record")};
constexpr Reason UnknownType{QT_TRANSLATE_NOOP("RomRefusal", "unknown record type %1")};
constexpr Reason DataTooLong{QT_TRANSLATE_NOOP("RomRefusal", "data record of more than %1 bytes")};
constexpr Reason AddressGap{QT_TRANSLATE_NOOP("RomRefusal", "address %1 does not follow %2")};
constexpr Reason PastAddressSpace{QT_TRANSLATE_NOOP("RomRefusal", "data runs past address 0xFFFFFFFF")};
constexpr Reason ImageTooLarge{QT_TRANSLATE_NOOP("RomRefusal", "image larger than %1 MiB")};
constexpr Reason EndOfFileWithData{QT_TRANSLATE_NOOP("RomRefusal", "End Of File record with data")};
constexpr Reason NonZeroAddressField{QT_TRANSLATE_NOOP("RomRefusal", "%1 record with an address other than 0000")};
constexpr Reason PastSegment{QT_TRANSLATE_NOOP("RomRefusal", "data record runs past the end of its 64 KiB segment")};
constexpr Reason SegmentAddressLength{
    QT_TRANSLATE_NOOP("RomRefusal", "extended segment address record without exactly two data bytes")};
constexpr Reason LinearAddressLength{
    QT_TRANSLATE_NOOP("RomRefusal", "extended linear address record without exactly two data bytes")};
constexpr Reason StartAddressLength{
    QT_TRANSLATE_NOOP("RomRefusal", "start address record without exactly four data bytes")};

constexpr Reason EndOfFileName{QT_TRANSLATE_NOOP("RomRefusal", "End Of File")};
constexpr Reason SegmentAddressName{QT_TRANSLATE_NOOP("RomRefusal", "extended segment address")};
constexpr Reason LinearAddressName{QT_TRANSLATE_NOOP("RomRefusal", "extended linear address")};
constexpr Reason StartAddressName{QT_TRANSLATE_NOOP("RomRefusal", "start address")};

} // namespace RomRefusal

#endif
