#include "app/norvane.h"

#include <QSerialPort>
#include <QSerialPortInfo>
#include <QStringList>

#include "app/qtcompat.h"
#include "connection/baudrates.h"
#include "connection/portfailure.h"
#include "ui/myconnectbutton.h"

namespace {

constexpr quint32 LOWEST_BAUD_RATE = 1200;
constexpr quint32 HIGHEST_BAUD_RATE = 128000;
constexpr qint32 FALLBACK_BAUD_RATE = 115200;
constexpr qint64 READ_BUFFER_SIZE = 8;

// Rates below 115200 that the port takes as they are; any other accepted rate runs at 115200.
qint32 AppliedBaudRate(qint32 rate)
{
    switch (rate) {
    case 1200:
    case 2400:
    case 4800:
    case 9600:
    case 19200:
    case 38400:
    case 57600:
        return rate;
    default:
        return FALLBACK_BAUD_RATE;
    }
}

} // namespace

void Norvane::FillBaudRateComboBox()
{
    QStringList texts;
    for (const char *text : BAUD_RATE_TEXTS)
        texts << text;
    baudrateComboBox->addItems(texts);
    baudrateComboBox->setCurrentIndex(DEFAULT_BAUD_RATE_INDEX);
    baudRate = baudrateComboBox->currentText().toInt(nullptr, 10);
}

void Norvane::HandlePortIndex(const QString &str)
{
    if (RefusedWhileBusy())
        return;
    if (str != portName)
        portName = str;
    if (connectButton->isChecked())
        ShowMessage(tr("Please disconnect and reconnect to proceed with the selected port"), "");
}

void Norvane::HandleBaudRateIndex(const QString &str)
{
    if (RefusedWhileBusy())
        return;
    const int rate = str.toInt(nullptr, 10);
    if (rate != baudRate)
        baudRate = rate;
    if (connectButton->isChecked())
        ShowMessage(tr("Please disconnect and reconnect to proceed with the selected baud rate"), "");
}

void Norvane::HandleConnectButton(bool checked)
{
    if (busy) {
        connectButton->showConnected(!connectButton->isChecked());
        RefusedWhileBusy();
        return;
    }

    if (!checked) {
        comportComboBox->setEnabled(true);
        baudrateComboBox->setEnabled(true);
        CloseSerialPort();
        return;
    }

    comportComboBox->setEnabled(false);
    baudrateComboBox->setEnabled(false);
    const QSerialPortInfo previousPort(*serialPort);
    if (PortReportsBusy(previousPort) || serialPort->isOpen())
        CloseSerialPort();

    if (OpenSerialPort() >= 0)
        return;

    connectButton->showConnected(!connectButton->isChecked());
    comportComboBox->setEnabled(true);
    baudrateComboBox->setEnabled(true);
}

int Norvane::OpenSerialPort()
{
    if (portName.isEmpty()) {
        ShowMessage(tr("Please choose port"), "");
        return -1;
    }
    if (static_cast<quint32>(baudRate) - LOWEST_BAUD_RATE > HIGHEST_BAUD_RATE - LOWEST_BAUD_RATE) {
        ShowMessage(tr("Please choose baud rate"), "");
        return -1;
    }

    serialPort->setPortName(portName);
    serialPort->setBaudRate(AppliedBaudRate(baudRate), QSerialPort::AllDirections);
    serialPort->setDataBits(QSerialPort::Data8);
    serialPort->setParity(QSerialPort::NoParity);
    serialPort->setStopBits(QSerialPort::OneStop);
    serialPort->setFlowControl(QSerialPort::NoFlowControl);
    serialPort->setReadBufferSize(READ_BUFFER_SIZE);

    if (!serialPort->open(QIODevice::ReadWrite)) {
        ShowStatusReason(tr("Port Error: %1").arg(PortFailureReason(*serialPort)));
        ShowMessage(tr("Port Error"), "");
        return -1;
    }
    serialPort->setDataTerminalReady(false);
    serialPort->setRequestToSend(false);
    return 0;
}

void Norvane::CloseSerialPort()
{
    serialPort->clear(QSerialPort::AllDirections);
    serialPort->clearError();
    serialPort->close();
}
