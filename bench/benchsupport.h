#ifndef BENCH_BENCHSUPPORT_H
#define BENCH_BENCHSUPPORT_H

#include <QString>
#include <QStringList>
#include <QVector>

#include "app/norvane.h"
#include "driver/windowdriver.h"
#include "ecusimulator.h"

constexpr int BENCH_BAUD = 115200;
constexpr quint32 BENCH_ADDRESS = 0x80000;

// A simulated unit and the shown window with its driver, for one benchmark program. The
// tool's debug line per frame is switched off: it would only bury the figures.
struct BenchUnit {
    BenchUnit();

    EcuSimulator unit;
    Norvane window;
    WindowDriver driver{window};

    // Starts the unit, which answers at once, and connects the window to it at BENCH_BAUD.
    bool start();
};

// The wall time of a varnholt-cli flash of the file into the units on these ports; -1
// unless it succeeded within the bound.
double CliFlashSeconds(const QString &romPath, const QStringList &ports, int boundMs);

double Median(QVector<double> values);
QString Figure(double value, int decimals, const QString &unit = QString());
// One figure on the benchmark's log and, if it has a target, whether it met it.
void Report(const QString &measure, const QString &value, const QString &target = QString(), bool met = true);

#endif
