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

bool UnitBench::presetSampleRom(const QString &path, int size)
{
    presetRomFile(path);
    return WriteRomFile(path, 0x80000, SampleImage(size));
}

void UnitBench::setFaults(const UnitFaults &faults)
{
    for (auto fault = faults.cbegin(); fault != faults.cend(); ++fault)
        unit.setCommandFault(quint8(fault.key()), fault.value());
}

QStringList StatusReasons(const Norvane &window)
{
    QStringList reasons;
    for (const LogEntry &entry : window.logHistory)
        if (entry.kind == LogEntry::Status)
            reasons << entry.text;
    return reasons;
}
