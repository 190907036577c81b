#include "walkthrough.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSerialPort>
#include <QTextEdit>

#include <cstdio>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "ui/myconnectbutton.h"

namespace {

void Print(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

Walkthrough::Walkthrough(Norvane &window, EcuSimulator &unit, const QString &samplePath,
                         quint32 sampleAddress, const QByteArray &sample, const QDir &shots)
    : window(window)
    , unit(unit)
    , samplePath(samplePath)
    , sampleAddress(sampleAddress)
    , sample(sample)
    , shots(shots)
{
    connect(&modalWatch, &QTimer::timeout, this, &Walkthrough::answerModal);
    connect(window.progressTextEdit, &QTextEdit::textChanged, this, &Walkthrough::printNewLogLines);
}

bool Walkthrough::run()
{
    modalWatch.start(20);
    saveShot("window.png");

    Print("> Connect");
    window.connectButton->click();
    if (!window.serialPort->isOpen()) {
        Print("Connecting to the simulated unit failed");
        return false;
    }

    Print("> Browse " + samplePath);
    window.browseButton->click();
    if (window.romFilePath != QDir::toNativeSeparators(samplePath)) {
        Print("Choosing the sample image failed");
        return false;
    }

    Print("> Flash");
    bool ok = operate(window.flashButton, "[Flash Hanlder] Reset success", "after-flash.png");
    if (ok && unit.memory(sampleAddress, sample.size()) != sample) {
        Print("The unit's memory differs from the image");
        ok = false;
    }
    if (ok)
        Print(QString("The unit holds the image: %1 bytes at 0x%2 match")
                  .arg(sample.size()).arg(sampleAddress, 0, 16));

    Print("> Verify");
    ok = operate(window.verifyButton, "[Verify Hanlder] Reset success", "after-verify.png") && ok;
    Print("> Erase");
    ok = operate(window.eraseButton, "[Erase Hanlder] Reset success", "after-erase.png") && ok;

    modalWatch.stop();
    return ok && refusals == 0;
}

bool Walkthrough::operate(QPushButton *button, const QString &successLine, const QString &shotName)
{
    button->click();
    const QStringList lines = window.progressTextEdit->toPlainText().split("\n");
    saveShot(shotName);
    return lines.last() == successLine;
}

// Answers the file dialog with the sample; any message box is a refusal.
void Walkthrough::answerModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible())
        return;
    // The dialog lists folders in the background and may select an entry of its own
    // meanwhile; accepting that would open a folder instead. Accept once the sample is
    // what it would return.
    if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
        if (dialog->selectedFiles() == QStringList{samplePath})
            static_cast<QDialog *>(dialog)->accept();
        else
            dialog->selectFile(samplePath);
        return;
    }
    if (auto *box = qobject_cast<QMessageBox *>(modal)) {
        Print("Message box: " + box->text());
        ++refusals;
        box->done(QMessageBox::Ok);
    }
}

// The progress line is rewritten in place, so a changed last line is printed again.
void Walkthrough::printNewLogLines()
{
    const QString text = window.progressTextEdit->toPlainText();
    if (text.isEmpty())
        return;
    const QStringList lines = text.split("\n");
    int common = 0;
    while (common < lines.size() && common < printed.size() && lines.at(common) == printed.at(common))
        ++common;
    for (int i = common; i < lines.size(); ++i)
        Print("  log: " + lines.at(i));
    printed = lines;
}

void Walkthrough::saveShot(const QString &name)
{
    const QString path = shots.absoluteFilePath(name);
    if (window.grab().save(path))
        Print("Screenshot: " + path);
    else
        Print("Could not save " + path);
}
