#ifndef BENCH_BENCHSUPPORT_H
#define BENCH_BENCHSUPPORT_H

#include <QSerialPort>
#include <QString>
#include <QVector>

#include "app/norvane.h"
#include "driver/windowdriver.h"
#include "ecusimulator.h"

constexpr int BENCH_BAUD = 115200;
constexpr int FAST_LINE_BAUD = 100000000;

// A simulated unit and the shown window with its driver, for one benchmark program. The
// tool's debug line per frame is switched off: it would only bury the figures.
struct BenchUnit {
    BenchUnit();

    EcuSimulator unit;
    Norvane window;
    WindowDriver driver{window};

    // Starts the unit and connects the window at BENCH_BAUD, or at FAST_LINE_BAUD: 1.6 ms a data frame.
    bool start(bool benchRate);
};

void SwitchOffDebugOutput();
double Median(QVector<double> values);
QString Figure(double value, int decimals, const QString &unit = QString());
// One figure on the benchmark's log and, if it has a target, whether it met it.
void Report(const QString &measure, const QString &value, const QString &target = QString(), bool met = true);

#endif
