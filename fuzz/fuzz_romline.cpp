// One line as the ROM reader hands it over: decoded, then read through every accessor.

#include "fuzzsupport.h"
#include "rom/romimage.h"

#include <QByteArray>

#include <cctype>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    InstallQuietMessageHandler();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray line(reinterpret_cast<const char *>(data), static_cast<int>(size));
    HexRecord record;
    const bool decoded = DecodeRomLine(line, &record);
    Expect(decoded == line.startsWith(':'));
    if (!decoded)
        return 0;

    // Every hex digit after the colon counts; an odd one out becomes a byte of its own.
    int digits = 0;
    for (int i = 1; i < line.size(); ++i)
        digits += std::isxdigit(static_cast<unsigned char>(line.at(i))) ? 1 : 0;
    Expect(record.size() == (digits + 1) / 2);

    Expect(record.at(-1) == 0);
    Expect(record.at(record.size()) == 0);
    Expect(record.byteCount() == record.at(0));
    Expect(record.addressOffset() == ((record.at(1) << 8) | record.at(2)));
    Expect(record.recordType() == record.at(3));
    Expect(record.isData() == (record.recordType() == DataRecord));
    Expect(record.isEndOfFile() == (record.recordType() == EndOfFileRecord));
    Expect(record.isExtendedLinearAddress() == (record.recordType() == ExtendedLinearAddressRecord));
    Expect(record.upperAddress() == ((record.at(4) << 8) | record.at(5)));

    quint8 buffer[MAX_RECORD_DATA];
    const int copied = record.copyData(buffer);
    Expect(copied == qMin<int>(record.byteCount(), MAX_RECORD_DATA));
    for (int i = 0; i < copied; ++i)
        Expect(buffer[i] == record.at(RECORD_DATA_POSITION + i));
    return 0;
}
