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

QStringList StatusReasons(const Norvane &window)
{
    QStringList reasons;
    for (const LogEntry &entry : window.logHistory)
        if (entry.kind == LogEntry::Status)
            reasons << entry.text;
    return reasons;
}
