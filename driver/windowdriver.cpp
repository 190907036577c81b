#include "driver/windowdriver.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QSerialPort>
#include <QTextEdit>

#include "app/norvane.h"
#include "ui/myconnectbutton.h"
#include "ui/operationstatus.h"

WindowDriver::WindowDriver(Norvane &window)
    : window(window)
{
    window.operationEvents.add(this);
}

WindowDriver::~WindowDriver()
{
    window.operationEvents.remove(this);
}

bool WindowDriver::connectTo(const QString &portPath, const QString &baudText)
{
    if (window.comportComboBox->findText(portPath) < 0)
        window.comportComboBox->addItem(portPath);
    window.comportComboBox->setCurrentText(portPath);
    window.baudrateComboBox->setCurrentText(baudText);
    window.connectButton->click();
    return window.serialPort->isOpen() && window.connectButton->isChecked();
}

bool WindowDriver::disconnectPort()
{
    if (window.connectButton->isChecked())
        window.connectButton->click();
    return !window.serialPort->isOpen();
}

bool WindowDriver::chooseRomFile(const QString &path)
{
    answerer.queueFileDialogAnswer(path);
    window.browseButton->click();
    return window.romFilePath == QDir::toNativeSeparators(path);
}

bool WindowDriver::run(Operation operation)
{
    told = Outcome::Failed;
    toldStep.clear();
    toldCause.clear();
    button(operation)->click();
    return told == Outcome::Succeeded;
}

void WindowDriver::stop()
{
    window.RequestStop();
}

void WindowDriver::operationEnded(Outcome outcome, const QString &failedStep, const QString &cause)
{
    told = outcome;
    toldStep = failedStep;
    toldCause = cause;
}

QString WindowDriver::statusText() const
{
    return window.findChild<OperationStatus *>()->text();
}

QPushButton *WindowDriver::button(Operation operation) const
{
    switch (operation) {
    case Flash:
        return window.flashButton;
    case Verify:
        return window.verifyButton;
    case Erase:
        break;
    }
    return window.eraseButton;
}

QStringList WindowDriver::logLines() const
{
    const QString text = window.progressTextEdit->toPlainText();
    return text.isEmpty() ? QStringList() : text.split('\n');
}

QString WindowDriver::lastLogLine() const
{
    const QStringList lines = logLines();
    return lines.isEmpty() ? QString() : lines.last();
}

QString WindowDriver::lastErrorLine() const
{
    for (auto entry = window.logHistory.crbegin(); entry != window.logHistory.crend(); ++entry)
        if (entry->kind == LogEntry::Error)
            return entry->text;
    return QString();
}
