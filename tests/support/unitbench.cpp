#include "support/unitbench.h"

#include <QTextEdit>

bool UnitBench::start(const QString &baudText)
{
    return unit.start() && driver.connectTo(unit.portPath(), baudText);
}

void UnitBench::presetRomFile(const QString &path)
{
    window.romFilePath = path;
    window.hexFileTextEdit->setPlainText(path);
}
