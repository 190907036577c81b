#include "benchsupport.h"

#include <QLoggingCategory>
#include <QSerialPort>
#include <QtDebug>

#include <algorithm>

BenchUnit::BenchUnit()
{
    SwitchOffDebugOutput();
    window.show();
}

bool BenchUnit::start(bool benchRate)
{
    if (!benchRate)
        unit.setLineRate(FAST_LINE_BAUD);
    return unit.start() && driver.connectTo(unit.portPath(), QString::number(BENCH_BAUD))
        && (benchRate || window.serialPort->setBaudRate(FAST_LINE_BAUD));
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
