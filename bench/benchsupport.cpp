#include "benchsupport.h"

#include <QLoggingCategory>
#include <QtDebug>

#include <algorithm>

BenchUnit::BenchUnit()
{
    SwitchOffDebugOutput();
    window.show();
}

bool BenchUnit::start(bool benchRate)
{
    unit.setLineRate(benchRate ? EcuSimulator::RateOfThePort : FAST_LINE_BAUD);
    return unit.start() && driver.connectTo(unit.portPath(), QString::number(BENCH_BAUD))
        && window.serialPort->setBaudRate(benchRate ? BENCH_BAUD : FAST_LINE_BAUD);
}

void SwitchOffDebugOutput()
{
    QLoggingCategory::setFilterRules("default.debug=false");
}

double Median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

QString Figure(double value, int decimals, const QString &unit)
{
    return QString::number(value, 'f', decimals) + (unit.isEmpty() ? "" : " " + unit);
}

void Report(const QString &measure, const QString &value, const QString &target, bool met)
{
    QString line = measure + ": " + value;
    if (!target.isEmpty())
        line += QString("  (target %1: %2)").arg(target, met ? "PASS" : "MISS");
    qInfo().noquote() << line;
}
