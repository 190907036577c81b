#include "sim/samplefile.h"

#include <QCommandLineParser>

#include "rom/imagesummary.h"
#include "rom/romimage.h"
#include "sim/intelhexwriter.h"
#include "sim/sampleimage.h"
#include "sim/sparsememory.h"

namespace {

// As the rehearsal's sample: eight data frames, 11 s on the wire at 115200 baud.
constexpr quint64 DEFAULT_SIZE = 128 * 1024;
constexpr quint64 DEFAULT_ADDRESS = 0x80000;
constexpr quint64 ADDRESS_SPACE_END = quint64(1) << 32;

// Decimal, or hexadecimal after 0x; a leading zero does not make it octal.
bool ParseNumber(const QString &text, quint64 *value)
{
    bool ok = false;
    if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        *value = text.mid(2).toULongLong(&ok, 16);
    else
        *value = text.toULongLong(&ok, 10);
    return ok;
}

bool Refuse(QString *error, const QString &reason)
{
    *error = reason;
    return false;
}

} // namespace

SampleFile::SampleFile()
    : writeOption(QStringLiteral("write-sample"),
                  QStringLiteral("Write a sample ROM image to <file> (a name ending in \".rom\") and exit."),
                  QStringLiteral("file"))
    , sizeOption(QStringLiteral("size"),
                 QStringLiteral("The sample's size in bytes, decimal or 0x hex (default 131072)."),
                 QStringLiteral("bytes"))
    , addressOption(QStringLiteral("address"),
                    QStringLiteral("The sample's first address, decimal or 0x hex (default 0x80000)."),
                    QStringLiteral("address"))
{ }

void SampleFile::addTo(QCommandLineParser &parser) const
{
    parser.addOptions({writeOption, sizeOption, addressOption});
}

bool SampleFile::isRequested(const QCommandLineParser &parser) const
{
    return parser.isSet(writeOption) || parser.isSet(sizeOption) || parser.isSet(addressOption);
}

bool SampleFile::read(const QCommandLineParser &parser, QString *error)
{
    if (!parser.isSet(writeOption))
        return Refuse(error, QStringLiteral("--size and --address go with --write-sample"));
    path = parser.value(writeOption);
    if (!path.endsWith(QLatin1String(ROM_FILE_SUFFIX)))
        return Refuse(error, QStringLiteral("the sample's name must end in \"%1\": %2").arg(ROM_FILE_SUFFIX, path));
    size = DEFAULT_SIZE;
    address = DEFAULT_ADDRESS;
    if (parser.isSet(sizeOption) && !ParseNumber(parser.value(sizeOption), &size))
        return Refuse(error, QStringLiteral("--size is not a number of bytes: ") + parser.value(sizeOption));
    if (parser.isSet(addressOption) && !ParseNumber(parser.value(addressOption), &address))
        return Refuse(error, QStringLiteral("--address is not an address: ") + parser.value(addressOption));
    if (size == 0 || size > quint64(MAX_IMAGE_SIZE))
        return Refuse(error,
                      QStringLiteral("--size must be 1 to %1 bytes (%2 MiB), the most the tool takes")
                          .arg(MAX_IMAGE_SIZE)
                          .arg(MAX_IMAGE_MIB));
    if (address >= ADDRESS_SPACE_END)
        return Refuse(error, QStringLiteral("--address must be below 0x100000000: ") + parser.value(addressOption));
    if (address + size > ADDRESS_SPACE_END)
        return Refuse(
            error,
            QStringLiteral("%1 bytes at %2 run past address 0xFFFFFFFF").arg(size).arg(AddressText(quint32(address))));
    return true;
}

bool SampleFile::write(QString *report) const
{
    SparseMemory memory;
    memory.write(quint32(address), SampleImage(int(size)));
    QString error;
    if (!IntelHexWriter::save(memory, path, &error))
        return Refuse(report, QStringLiteral("cannot write %1: %2").arg(path, error));
    *report =
        QStringLiteral("sample of %1 bytes at %2 written to %3").arg(size).arg(AddressText(quint32(address)), path);
    return true;
}
