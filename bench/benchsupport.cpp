#include "bench/benchsupport.h"

#include <QLoggingCategory>
#include <QSerialPort>
#include <QtDebug>

#include <algorithm>

BenchUnit::BenchUnit()
{
    QLoggingCategory::setFilterRules("default.debug=false");
    window.show();
}

bool BenchUnit::start()
{
    unit.setLineRate(FAST_LINE_BAUD);
    return unit.start() && ConnectOverFastLine(driver, window, unit.portPath());
}

bool ConnectOverFastLine(WindowDriver &driver, Norvane &window, const QString &port)
{
    return driver.connectTo(port, QString::number(BENCH_BAUD)) && window.serialPort->setBaudRate(FAST_LINE_BAUD);
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
