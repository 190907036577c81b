#include "support/unitbench.h"

bool UnitBench::start(const QString &baudText)
{
    return unit.start() && driver.connectTo(unit.portPath(), baudText);
}
