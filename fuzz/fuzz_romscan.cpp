// A whole ROM file: the scan, then a second pass that reads it the way the transfer does.

#include "fuzzsupport.h"
#include "rom/romimage.h"

#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    InstallQuietMessageHandler();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray content(reinterpret_cast<const char *>(data), static_cast<int>(size));
    QBuffer file(&content);
    Expect(file.open(QIODevice::ReadOnly | QIODevice::Text));

    RomScan scan;
    const bool scanned = ScanRomImage(file, &scan);
    Expect(!scanned || file.atEnd());

    // The transfer stops at a refused scan; reading on costs nothing and covers more.
    Expect(file.seek(0));
    quint16 upperAddress = 0;
    bool dataSeen = false;
    QByteArray line;
    HexRecord record;
    while (ReadRomLine(file, &line)) {
        Expect(line.size() < LINE_BUFFER_SIZE);
        if (!DecodeRomLine(line, &record)) {
            Expect(!scanned);
            break;
        }
        if (!record.isData()) {
            if (record.isExtendedLinearAddress())
                upperAddress = record.upperAddress();
            continue;
        }
        quint8 buffer[MAX_RECORD_DATA];
        const int copied = record.copyData(buffer);
        Expect(copied >= 0 && copied <= MAX_RECORD_DATA);
        if (!scanned)
            continue;
        // Both passes must agree on what the file holds.
        Expect(copied == record.byteCount());
        if (!dataSeen)
            Expect(FullAddress(upperAddress, record.addressOffset()) == scan.startAddress);
        dataSeen = true;
    }
    Expect(!scanned || dataSeen);
    return 0;
}
