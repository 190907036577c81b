#include "rehearsal/walkthrough.h"

#include <QComboBox>
#include <QPushButton>
#include <QTextEdit>

#include <cstdio>

#include "app/norvane.h"
#include "sim/ecusimulator.h"

namespace {

void Print(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

} // namespace

Walkthrough::Walkthrough(Norvane &window, EcuSimulator &unit, const QString &samplePath, quint32 sampleAddress,
                         const QByteArray &sample, const QDir &shots)
    : window(window)
    , driver(window)
    , unit(unit)
    , samplePath(samplePath)
    , sampleAddress(sampleAddress)
    , sample(sample)
    , shots(shots)
    , step("start")
{
    connect(&driver.answerer, &ModalAnswerer::boxAnswered, this,
            [](const QString &text) { Print("Message box: " + text); });
    connect(window.progressTextEdit, &QTextEdit::textChanged, this, &Walkthrough::printNewLogLines);
}

bool Walkthrough::run()
{
    saveShot("window.png");
    if (!connectAndChoose())
        return false;

    begin("Flash");
    bool ok = operate(WindowDriver::Flash, "after-flash.png");
    if (ok && unit.memory(sampleAddress, sample.size()) != sample) {
        Print("The unit's memory differs from the image");
        ok = false;
    }
    if (ok)
        Print(QString("The unit holds the image: %1 bytes at 0x%2 match").arg(sample.size()).arg(sampleAddress, 0, 16));

    begin("Verify");
    ok = operate(WindowDriver::Verify, "after-verify.png") && ok;
    begin("Erase");
    ok = operate(WindowDriver::Erase, "after-erase.png") && ok;
    return ok && driver.answerer.boxes().isEmpty();
}

// The sample is chosen through the Browse dialog itself, answered as a person would.
bool Walkthrough::connectAndChoose()
{
    begin("Connect");
    if (!driver.connectTo(unit.portPath(), window.baudrateComboBox->currentText())) {
        Print("Connecting to the simulated unit failed");
        return false;
    }
    begin("Browse " + samplePath);
    driver.answerer.typeIntoNextFileDialog(samplePath);
    window.browseButton->click();
    if (window.romFilePath != QDir::toNativeSeparators(samplePath)) {
        Print("Choosing the sample image failed: " + driver.answerer.failures().join("; "));
        return false;
    }
    return true;
}

bool Walkthrough::operate(WindowDriver::Operation operation, const QString &shotName)
{
    const bool succeeded = driver.run(operation);
    saveShot(shotName);
    return succeeded;
}

void Walkthrough::begin(const QString &name)
{
    step = name;
    Print("> " + name);
}

// The progress line is rewritten in place, so a changed last line is printed again.
void Walkthrough::printNewLogLines()
{
    const QStringList lines = driver.logLines();
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
