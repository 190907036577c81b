#include "romfilewriter.h"

#include <QByteArray>
#include <QSaveFile>

#include "imagepattern.h"

namespace {

constexpr int RECORD_DATA_SIZE = 16;

QByteArray Record(quint8 type, quint16 offset, const QByteArray &data)
{
    QByteArray record;
    record.append(static_cast<char>(data.size()));
    record.append(static_cast<char>(offset >> 8));
    record.append(static_cast<char>(offset & 0xFF));
    record.append(static_cast<char>(type));
    record.append(data);
    quint8 sum = 0;
    for (char byte : record)
        sum += static_cast<quint8>(byte);
    record.append(static_cast<char>(-sum));
    return ":" + record.toHex().toUpper() + "\r\n";
}

} // namespace

bool WriteRomFile(const QString &path, quint32 address, qint64 size, ImagePattern &pattern)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    qint64 upper = -1;
    for (qint64 offset = 0; offset < size; offset += RECORD_DATA_SIZE) {
        const quint32 at = address + static_cast<quint32>(offset);
        if (at >> 16 != upper) {
            upper = at >> 16;
            QByteArray upperBytes;
            upperBytes.append(static_cast<char>(upper >> 8));
            upperBytes.append(static_cast<char>(upper & 0xFF));
            file.write(Record(0x04, 0, upperBytes));
        }
        file.write(Record(0x00, static_cast<quint16>(at & 0xFFFF), pattern.next(RECORD_DATA_SIZE)));
    }
    file.write(Record(0x01, 0, QByteArray()));
    return file.commit();
}
