#include "protocol/bootprotocol.h"

#include <QMessageLogger>
#include <QtEndian>

#include <cstring>

namespace {

// Warnings go out without source location, as the field technicians' logs expect.
void Warn(const char *text)
{
    QMessageLogger().warning("%s", text);
}

void WriteChecksumField(quint8 *field, const quint8 *data, quint32 count)
{
    const quint32 low16 = static_cast<quint16>(ComputeChecksum(data, count));
    qToBigEndian<quint32>(low16, field);
}

} // namespace

qint32 ComputeChecksum(const quint8 *data, quint32 count)
{
    quint32 sum = 0;
    for (quint32 i = 0; i < count; ++i)
        sum += data[i];
    return static_cast<qint32>(0u - sum);
}

BootProtocol::BootProtocol(FrameType type)
    : type(type)
{
    std::memset(commandFrame, 0, sizeof commandFrame);
    std::memset(dataFrame, 0, sizeof dataFrame);
    std::memset(responseFrame, 0, sizeof responseFrame);
}

BootProtocol::~BootProtocol() = default;

const QByteArray &BootProtocol::PrepareFrame(const quint8 *data, qint32 length)
{
    frameBytes.clear();
    const char *warning = nullptr;
    bool built = false;
    bool isDataFrame = false;

    switch (type) {
    case JumpToBootloader:
        built = PrepareJumpToBootloaderFrame();
        warning = "PrepareJumpToBootloaderFrame failed";
        break;
    case VerifyApplication:
        built = PrepareVerifyApplicationFrame();
        warning = "PrepareVerifyApplicationFrame failed";
        break;
    case EraseApplication:
        built = PrepareEraseApplicationFrame();
        warning = "PrepareEraseApplicationFrame failed";
        break;
    case FlashApplication:
        built = PrepareFlashApplicationFrame(data, length, false);
        warning = "PrepareFlashApplicationFrame failed";
        isDataFrame = true;
        break;
    case FlashApplicationStart:
        built = PrepareFlashApplicationStartFrame();
        warning = "PrepareFlashApplicationStartFrame failed";
        break;
    case FlashApplicationEnd:
        built = PrepareFlashApplicationEndFrame(data, length);
        warning = "PrepareFlashApplicationEndFrame failed";
        isDataFrame = true;
        break;
    case ResetECU:
        built = PrepareResetECUFrame();
        warning = "PrepareResetECUFrame failed";
        break;
    default:
        Warn("Protocol type did not match");
        return frameBytes;
    }

    if (!built) {
        Warn(warning);
        return frameBytes;
    }
    if (isDataFrame)
        frameBytes.append(reinterpret_cast<const char *>(dataFrame), DATA_FRAME_SIZE);
    else
        frameBytes.append(reinterpret_cast<const char *>(commandFrame), COMMAND_FRAME_SIZE);
    return frameBytes;
}

bool BootProtocol::PrepareJumpToBootloaderFrame()
{
    return PrepareCommandFrame(JUMP_TO_BOOTLOADER_CODE);
}

bool BootProtocol::PrepareVerifyApplicationFrame()
{
    return PrepareCommandFrame(VERIFY_APPLICATION_CODE);
}

bool BootProtocol::PrepareEraseApplicationFrame()
{
    return PrepareCommandFrame(ERASE_APPLICATION_CODE);
}

bool BootProtocol::PrepareFlashApplicationStartFrame()
{
    return PrepareCommandFrame(FLASH_APPLICATION_START_CODE);
}

bool BootProtocol::PrepareResetECUFrame()
{
    return PrepareCommandFrame(RESET_ECU_CODE);
}

bool BootProtocol::PrepareFlashApplicationEndFrame(const quint8 *data, qint32 length)
{
    return PrepareFlashApplicationFrame(data, length, true);
}

bool BootProtocol::PrepareCommandFrame(quint8 commandCode)
{
    commandFrame[0] = FRAME_START;
    commandFrame[1] = FRAME_ADDRESS;
    commandFrame[2] = COMMAND_FRAME_KIND;
    commandFrame[3] = commandCode;
    WriteChecksumField(commandFrame + FRAME_HEADER_SIZE, commandFrame, FRAME_HEADER_SIZE);
    return true;
}

bool BootProtocol::PrepareFlashApplicationFrame(const quint8 *data, qint32 length, bool isEnd)
{
    dataFrame[0] = FRAME_START;
    dataFrame[1] = FRAME_ADDRESS;
    dataFrame[2] = DATA_FRAME_KIND;
    dataFrame[3] = isEnd ? FLASH_APPLICATION_END_CODE : FLASH_APPLICATION_CODE;
    quint8 *dataArea = dataFrame + FRAME_HEADER_SIZE;
    std::memset(dataArea, 0, DATA_AREA_SIZE);

    // An oversized length would write past the data area: refuse it like null data.
    if (data == nullptr || length < 0 || length > DATA_AREA_SIZE)
        return false;

    std::memcpy(dataArea, data, static_cast<size_t>(length));
    WriteChecksumField(dataArea + DATA_AREA_SIZE, dataFrame, FRAME_HEADER_SIZE + DATA_AREA_SIZE);
    return true;
}

bool BootProtocol::CheckResponseFrame(const QByteArray &response)
{
    if (response.size() != RESPONSE_FRAME_SIZE) {
        Warn("Response is not valid frame");
        return false;
    }
    frameBytes = response;
    std::memcpy(responseFrame, response.constData(), RESPONSE_FRAME_SIZE);
    return IsResponseChecksumValid();
}

bool BootProtocol::IsResponseChecksumValid()
{
    quint8 expected[CHECKSUM_FIELD_SIZE];
    WriteChecksumField(expected, responseFrame, FRAME_HEADER_SIZE);
    return std::memcmp(expected, responseFrame + FRAME_HEADER_SIZE, CHECKSUM_FIELD_SIZE) == 0;
}
