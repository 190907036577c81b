#include "windowsetup.h"

#include <QSerialPort>
#include <QStringList>

#include "app/norvane.h"
#include "ui/myconnectbutton.h"

bool ConnectWindow(Norvane &window, const QString &portPath, const QString &baudText)
{
    window.comportComboBox->addItem(portPath);
    window.comportComboBox->setCurrentText(portPath);
    window.baudrateComboBox->setCurrentText(baudText);
    window.connectButton->click();
    return window.serialPort->isOpen() && window.connectButton->isChecked();
}

void ChooseRomFile(Norvane &window, const QString &path)
{
    window.romFilePath = path;
    window.hexFileTextEdit->setPlainText(path);
}

QString LastLogLine(const Norvane &window)
{
    return window.progressTextEdit->toPlainText().split('\n').last();
}
