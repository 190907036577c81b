#include "app/norvane.h"

#include <QSerialPort>
#include <QSerialPortInfo>

#include "app/qtcompat.h"
#include "connection/baudrates.h"
#include "connection/portfailure.h"
#include "ui/myconnectbutton.h"

namespace {

constexpr qint64 READ_BUFFER_SIZE = 8;

} // namespace

void Norvane::FillBaudRateComboBox()
{
    baudrateComboBox->addItems(BaudRateTexts());
    baudrateComboBox->setCurrentText(DefaultBaudRateText());
    baudRate = DefaultBaudRate();
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
    // A rate outside the list would be run at some other rate, or refused by the system.
    if (!IsListedBaudRate(baudRate)) {
        ShowMessage(tr("Please choose baud rate"), "");
        return -1;
    }

    serialPort->setPortName(portName);
    serialPort->setBaudRate(baudRate, QSerialPort::AllDirections);
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
