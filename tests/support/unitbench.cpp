#include "support/unitbench.h"

#include <QComboBox>
#include <QFile>
#include <QSerialPort>
#include <QTest>

#include "app/norvane.h"
#include "ui/myconnectbutton.h"

bool ConnectWindow(Norvane &window, const QString &portPath, const QString &baudText)
{
    window.comportComboBox->addItem(portPath);
    window.comportComboBox->setCurrentText(portPath);
    window.baudrateComboBox->setCurrentText(baudText);
    QTest::mouseClick(window.connectButton, Qt::LeftButton);
    return window.serialPort->isOpen() && window.connectButton->isChecked();
}

QByteArray ReceivedCommands(const EcuSimulator &unit)
{
    QByteArray commands;
    for (const EcuSimulator::ReceivedFrame &frame : unit.frames())
        commands.append(static_cast<char>(frame.command));
    return commands;
}

QByteArray SampleImage(int size, int seed)
{
    QByteArray image(size, '\0');
    quint32 state = 2463534242u + static_cast<quint32>(seed);
    for (int i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        image[i] = static_cast<char>(state);
    }
    return image;
}

namespace {

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

bool WriteRomFile(const QString &path, quint32 address, const QByteArray &image)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    int upper = -1;
    for (int offset = 0; offset < image.size(); offset += 16) {
        const quint32 at = address + static_cast<quint32>(offset);
        if (static_cast<int>(at >> 16) != upper) {
            upper = static_cast<int>(at >> 16);
            QByteArray upperBytes;
            upperBytes.append(static_cast<char>(upper >> 8));
            upperBytes.append(static_cast<char>(upper & 0xFF));
            file.write(Record(0x04, 0, upperBytes));
        }
        file.write(Record(0x00, static_cast<quint16>(at & 0xFFFF), image.mid(offset, 16)));
    }
    file.write(Record(0x01, 0, QByteArray()));
    return true;
}
