#ifndef SIM_WIREFORMAT_H
#define SIM_WIREFORMAT_H

#include <QByteArray>
#include <QString>

// The bootloader's side of the line protocol, written from the frame tables on its own so
// that it and the tool's codec can catch each other's faults. Multi-byte fields are
// big-endian, except the address inside a data frame.
namespace WireFormat {

constexpr int CommandFrameSize = 8;
constexpr int DataFrameSize = 16396;
constexpr int ResponseFrameSize = 8;
constexpr int HeaderSize = 4;
constexpr int ChecksumFieldSize = 4;

constexpr quint8 StartByte = 0x01;
constexpr quint8 AddressByte = 0x40;
constexpr quint8 CommandKind = 0x05;
constexpr quint8 DataKind = 0xFF;

constexpr quint8 JumpToBootloader = 0x10;
constexpr quint8 VerifyApplication = 0x11;
constexpr quint8 EraseApplication = 0x12;
constexpr quint8 FlashApplication = 0x13;
constexpr quint8 ResetEcu = 0x14;
constexpr quint8 FlashApplicationStart = 0x15;
constexpr quint8 FlashApplicationEnd = 0x16;

// A data frame carries a little-endian load address and one block of image bytes.
constexpr int DataAddressOffset = 4;
constexpr int DataImageOffset = 8;
constexpr int DataImageSize = 16384;

// 00 00, then the high and low byte of the negated byte sum, modulo 65536.
QByteArray ChecksumField(const char *bytes, int count);

// Whether the last four bytes of a frame are the checksum field of the bytes before them.
bool HasValidChecksum(const QByteArray &frame);

// Bytes 0..2 carry nothing for the tool; this unit sends zeros there.
QByteArray ResponseFrame(quint8 status);

// What the command frame of that code answers when it succeeds; 0 for an unknown code.
quint8 PositiveStatus(quint8 commandCode);

QString CommandName(quint8 commandCode);

} // namespace WireFormat

#endif // SIM_WIREFORMAT_H
