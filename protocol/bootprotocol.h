#ifndef PROTOCOL_BOOTPROTOCOL_H
#define PROTOCOL_BOOTPROTOCOL_H

#include <QByteArray>
#include <QtGlobal>

// Request types of the bootloader; the value is not the command code on the wire.
enum FrameType : qint32 {
    JumpToBootloader = 16,
    VerifyApplication = 17,
    EraseApplication = 18,
    FlashApplication = 19,
    FlashApplicationStart = 20,
    FlashApplicationEnd = 21,
    ResetECU = 22
};

// Frame layouts. Multi-byte fields of the frames are big-endian.
constexpr int COMMAND_FRAME_SIZE = 8;
constexpr int RESPONSE_FRAME_SIZE = 8;
constexpr int FRAME_HEADER_SIZE = 4;
constexpr int DATA_AREA_SIZE = 16388;
constexpr int CHECKSUM_FIELD_SIZE = 4;
constexpr int DATA_FRAME_SIZE = FRAME_HEADER_SIZE + DATA_AREA_SIZE + CHECKSUM_FIELD_SIZE;
constexpr int RESPONSE_STATUS_OFFSET = 3;

constexpr quint8 FRAME_START = 0x01;
constexpr quint8 FRAME_ADDRESS = 0x40;
constexpr quint8 COMMAND_FRAME_KIND = 0x05;
constexpr quint8 DATA_FRAME_KIND = 0xFF;

constexpr quint8 JUMP_TO_BOOTLOADER_CODE = 0x10;
constexpr quint8 VERIFY_APPLICATION_CODE = 0x11;
constexpr quint8 ERASE_APPLICATION_CODE = 0x12;
constexpr quint8 FLASH_APPLICATION_CODE = 0x13;
constexpr quint8 RESET_ECU_CODE = 0x14;
constexpr quint8 FLASH_APPLICATION_START_CODE = 0x15;
constexpr quint8 FLASH_APPLICATION_END_CODE = 0x16;

// Status byte of a positive response.
constexpr quint8 JUMP_TO_BOOTLOADER_OK = 0x80;
constexpr quint8 VERIFY_APPLICATION_OK = 0x81;
constexpr quint8 ERASE_APPLICATION_OK = 0x82;
constexpr quint8 CHUNK_FLASHED_OK = 0x83;
constexpr quint8 RESET_ECU_OK = 0x84;
constexpr quint8 FLASH_APPLICATION_START_OK = 0x85;
constexpr quint8 LAST_CHUNK_FLASHED_OK = 0x86;

qint32 ComputeChecksum(const quint8 *data, quint32 count);

class BootProtocol
{
public:
    explicit BootProtocol(FrameType type);
    ~BootProtocol();

    const QByteArray &PrepareFrame(const quint8 *data, qint32 length);
    bool CheckResponseFrame(const QByteArray &response);
    bool IsResponseChecksumValid();

private:
    Q_DISABLE_COPY(BootProtocol)

    // PrepareFrame builds each type's frame with one of these.
    bool PrepareJumpToBootloaderFrame();
    bool PrepareVerifyApplicationFrame();
    bool PrepareEraseApplicationFrame();
    bool PrepareFlashApplicationStartFrame();
    bool PrepareResetECUFrame();
    bool PrepareFlashApplicationFrame(const quint8 *data, qint32 length, bool isEnd);
    bool PrepareFlashApplicationEndFrame(const quint8 *data, qint32 length);
    bool PrepareCommandFrame(quint8 commandCode);

    FrameType type;
    quint8 commandFrame[COMMAND_FRAME_SIZE];
    quint8 dataFrame[DATA_FRAME_SIZE];
    quint8 responseFrame[RESPONSE_FRAME_SIZE];
    QByteArray frameBytes;
};

#endif
