// A whole ROM file, written to disk, through the check, the frame plan and the codec into the
// unit's memory model. A strict reading of Intel HEX of its own, which shares no code with
// the check, decides: the file is refused at the same line, or the unit ends up holding
// exactly its data records.

#include "fuzz/fuzzsupport.h"
#include "protocol/bootprotocol.h"
#include "rom/frameplan.h"
#include "rom/romimage.h"
#include "sim/bootloader.h"
#include "sim/sparsememory.h"

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int CHUNK_BYTES = 16384;

// The tool's own limits on top of Intel HEX: line length and record size.
constexpr std::size_t LONGEST_LINE = 99;
constexpr int LARGEST_DATA_RECORD = 16;

// Where the strict reading refuses the file (a line number, or 0 for the file as a whole),
// or the memory its data records fill.
struct StrictReading {
    bool accepted = false;
    qint64 refusedLine = 0;
    SparseMemory memory;
};

int Digit(char character)
{
    static const std::string digits = "0123456789ABCDEFabcdef";
    const std::size_t at = digits.find(character);
    return at == std::string::npos ? -1 : int(at < 16 ? at : at - 6);
}

// The bytes of a well-formed record line (without its line end), or none.
std::vector<int> RecordBytes(const std::string &line)
{
    if (line.size() > LONGEST_LINE || line.size() < 11 || line.front() != ':' || line.size() % 2 == 0)
        return {};
    std::vector<int> bytes;
    int sum = 0;
    for (std::size_t i = 1; i < line.size(); i += 2) {
        const int high = Digit(line[i]);
        const int low = Digit(line[i + 1]);
        if (high < 0 || low < 0)
            return {};
        bytes.push_back(high * 16 + low);
        sum += bytes.back();
    }
    if (bytes[0] + 5 != int(bytes.size()) || sum % 256 != 0)
        return {};
    return bytes;
}

// Pieces between line feeds, a CR before the feed taken off; a piece after the last feed is
// a line only if it holds something.
std::vector<std::string> Lines(const QByteArray &content)
{
    const std::string text(content.constData(), std::size_t(content.size()));
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t feed; (feed = text.find('\n', from)) != std::string::npos; from = feed + 1) {
        std::string line = text.substr(from, feed - from);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    if (from < text.size())
        lines.push_back(text.substr(from));
    return lines;
}

StrictReading ReadStrictly(const QByteArray &content)
{
    StrictReading reading;
    // A linear base, or a segment's, in which addresses wrap at 64 KiB.
    quint64 base = 0;
    bool segmented = false;
    quint64 next = 0;
    bool dataSeen = false;
    bool endSeen = false;
    const std::vector<std::string> lines = Lines(content);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::vector<int> record = RecordBytes(lines[n]);
        reading.refusedLine = qint64(n + 1);
        if (endSeen || record.empty())
            return reading;
        const int count = record[0];
        const quint64 offset = quint64(record[1]) * 256 + quint64(record[2]);
        const int type = record[3];
        if (type == 0) {
            const quint64 at = base + offset;
            const bool wraps = segmented && offset + quint64(count) > 65536;
            const bool misplaced = (dataSeen && at != next) || at + quint64(count) > (quint64(1) << 32) || wraps;
            if (count > LARGEST_DATA_RECORD || (count > 0 && misplaced))
                return reading;
            QByteArray bytes;
            for (int i = 0; i < count; ++i)
                bytes.append(char(record[std::size_t(4 + i)]));
            reading.memory.write(quint32(at), bytes);
            next = count > 0 ? at + quint64(count) : next;
            dataSeen = dataSeen || count > 0;
        } else if (type == 1 && count == 0 && offset == 0) {
            endSeen = true;
        } else if ((type == 2 || type == 4) && count == 2 && offset == 0) {
            segmented = type == 2;
            base = (quint64(record[4]) * 256 + quint64(record[5])) * (segmented ? 16 : 65536);
        } else if (!((type == 3 || type == 5) && count == 4 && offset == 0)) {
            return reading;
        }
    }
    reading.refusedLine = 0;
    reading.accepted = dataSeen && endSeen;
    return reading;
}

void RepairChecksum(QByteArray &content, int start, int end)
{
    if (end - start < 11 || (end - start) % 2 == 0 || content.at(start) != ':')
        return;
    int sum = 0;
    for (int i = start + 1; i < end - 2; i += 2) {
        const int high = Digit(content.at(i));
        const int low = Digit(content.at(i + 1));
        if (high < 0 || low < 0)
            return;
        sum += high * 16 + low;
    }
    content.replace(end - 2, 2, QByteArray::number((256 - sum % 256) % 256 + 256, 16).right(2).toUpper());
}

// Every line that is ':' and pairs of hex digits gets the right checksum, so that mutations
// reach the record rules behind it.
QByteArray WithChecksumsRepaired(QByteArray content)
{
    for (int start = 0; start < content.size();) {
        const int feed = content.indexOf('\n', start);
        int end = feed < 0 ? content.size() : feed;
        if (feed >= 0 && end > start && content.at(end - 1) == '\r')
            --end;
        RepairChecksum(content, start, end);
        start = feed < 0 ? content.size() : feed + 1;
    }
    return content;
}

// The line a refusal names, 0 when it is about the file as a whole.
qint64 RefusedLine(const QString &reason)
{
    const QRegularExpressionMatch line = QRegularExpression("^line (\\d+): ").match(reason);
    return line.hasMatch() ? line.captured(1).toLongLong() : 0;
}

quint8 Send(Bootloader &unit, FrameType type, const QByteArray &dataArea = QByteArray())
{
    BootProtocol protocol(type);
    return unit.handle(protocol.PrepareFrame(reinterpret_cast<const quint8 *>(dataArea.constData()), dataArea.size()));
}

// The image goes to the unit as the window sends it; the unit must end up holding the
// records' bytes, then the zero fill of the last frame's data area.
void ExpectFlashedAsRead(const RomImage &image, const SparseMemory &records)
{
    Bootloader unit;
    Expect(Send(unit, JumpToBootloader) == JUMP_TO_BOOTLOADER_OK);
    Expect(Send(unit, EraseApplication) == ERASE_APPLICATION_OK);
    Expect(Send(unit, FlashApplicationStart) == FLASH_APPLICATION_START_OK);
    const QVector<PlannedFrame> frames = PlanFrames(image);
    Expect(!frames.isEmpty());
    for (const PlannedFrame &frame : frames) {
        // The unit refuses anything after an End frame, so only the last may be one.
        const quint8 expected = &frame == &frames.last() ? LAST_CHUNK_FLASHED_OK : CHUNK_FLASHED_OK;
        Expect(Send(unit, frame.type, FrameDataArea(image, frame)) == expected);
    }
    Expect(frames.last().percentage == 100);
    Expect(Send(unit, VerifyApplication) == VERIFY_APPLICATION_OK);

    const auto written = unit.memory().writtenRanges();
    Expect(records.writtenRanges().size() == 1 && written.size() == 1);
    const auto run = records.writtenRanges().first();
    const quint64 padded = quint64(frames.size()) * CHUNK_BYTES;
    Expect(written.first().first == run.first && run.first == image.startAddress);
    Expect(written.first().second == qMin<quint64>(padded, (quint64(1) << 32) - run.first));
    Expect(unit.memory().read(run.first, int(run.second)) == records.read(run.first, int(run.second)));
    Expect(unit.memory().read(run.first + run.second, int(written.first().second - run.second))
           == QByteArray(int(written.first().second - run.second), '\0'));
}

QString RomPath()
{
    static const QTemporaryDir directory;
    return directory.filePath("input.rom");
}

void ExpectReadAsStrictly(const QByteArray &content)
{
    QFile input(RomPath());
    Expect(input.open(QIODevice::WriteOnly | QIODevice::Truncate) && input.write(content) == content.size());
    input.close();

    RomImage image;
    QString reason;
    const bool accepted = ReadRomImage(RomPath(), &image, &reason);
    const StrictReading reference = ReadStrictly(content);
    Expect(accepted == reference.accepted);
    if (accepted)
        ExpectFlashedAsRead(image, reference.memory);
    else
        Expect(RefusedLine(reason) == reference.refusedLine && image.bytes.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    InstallQuietMessageHandler();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), static_cast<int>(size));
    ExpectReadAsStrictly(content);
    // The same input with its checksums put right, so that mutations reach the record rules.
    const QByteArray repaired = WithChecksumsRepaired(content);
    if (repaired != content)
        ExpectReadAsStrictly(repaired);
    return 0;
}
