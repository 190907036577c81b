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
