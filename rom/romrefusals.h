#ifndef ROM_ROMREFUSALS_H
#define ROM_ROMREFUSALS_H

// Why a ROM file is refused, as the status bar and the command line show it. The reasons
// about one line come after "line N: ".
namespace RomRefusal {

constexpr const char *FileNotFound = "file not found";
constexpr const char *LinkLoop = "symbolic link loop";
constexpr const char *DanglingLink = "dangling symbolic link to %1";
constexpr const char *NotRegularFile = "not a regular file";
constexpr const char *ReadError = "read error after line %1: %2";
constexpr const char *NoDataRecord = "no data record";
constexpr const char *NoEndOfFile = "no End Of File record";

constexpr const char *OnLine = "line %1: %2";
constexpr const char *NoColon = "does not start with ':'";
constexpr const char *TooLong = "longer than %1 characters";
constexpr const char *NotHexPairs = "is not ':' followed by pairs of hex digits";
constexpr const char *StrayCarriageReturn = "a carriage return that does not end the line";
constexpr const char *AfterChecksum = "characters after the checksum";
constexpr const char *ByteCountMismatch = "byte count does not match the record";
constexpr const char *WrongChecksum = "wrong record checksum";
constexpr const char *AfterEndOfFile = "a line after the End Of File record";
constexpr const char *UnknownType = "unknown record type %1";
constexpr const char *DataTooLong = "data record of more than %1 bytes";
constexpr const char *AddressGap = "address %1 does not follow %2";
constexpr const char *PastAddressSpace = "data runs past address 0xFFFFFFFF";
constexpr const char *ImageTooLarge = "image larger than %1 MiB";
constexpr const char *EndOfFileWithData = "End Of File record with data";
constexpr const char *NonZeroAddressField = "%1 record with an address other than 0000";
constexpr const char *SegmentAddress = "extended segment address records are not supported";
constexpr const char *LinearAddressLength = "extended linear address record without exactly two data bytes";
constexpr const char *StartAddressLength = "start address record without exactly four data bytes";

constexpr const char *EndOfFileName = "End Of File";
constexpr const char *LinearAddressName = "extended linear address";
constexpr const char *StartAddressName = "start address";

} // namespace RomRefusal

#endif
