#include "support/unitbench.h"

#include <QComboBox>
#include <QSerialPort>
#include <QTest>

#include "ui/myconnectbutton.h"

bool UnitBench::start(const QString &baudText)
{
    return unit.start() && ConnectWindow(window, unit.portPath(), baudText);
}

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

EcuSimulator::Fault NoAnswer()
{
    EcuSimulator::Fault fault;
    fault.silent = true;
    return fault;
}

EcuSimulator::Fault AnswerStatus(int status)
{
    EcuSimulator::Fault fault;
    fault.status = status;
    return fault;
}

EcuSimulator::Fault AnswerInPieces(const QVector<int> &sizes, int gapMs, const QByteArray &trailing)
{
    EcuSimulator::Fault fault;
    fault.pieces = sizes;
    fault.gapMs = gapMs;
    fault.extraBytes = trailing;
    return fault;
}

EcuSimulator::Fault WrongChecksum()
{
    EcuSimulator::Fault fault;
    fault.wrongChecksum = true;
    return fault;
}

EcuSimulator::Fault HangUpInstead()
{
    EcuSimulator::Fault fault;
    fault.hangUp = true;
    return fault;
}
