#ifndef BENCH_BENCHSUPPORT_H
#define BENCH_BENCHSUPPORT_H

#include <QString>
#include <QVector>

#include "app/norvane.h"
#include "driver/windowdriver.h"
#include "sim/ecusimulator.h"

constexpr int BENCH_BAUD = 115200;
constexpr quint32 BENCH_ADDRESS = 0x80000;
// Far above the window's list, set on the port and the unit directly: a data frame spends
// 1.6 ms on the line, small beside what the tool is timed for.
constexpr int FAST_LINE_BAUD = 100000000;

// A simulated unit and the shown window with its driver, for one benchmark program. The
// tool's debug line per frame is switched off: it would only bury the figures.
struct BenchUnit {
    BenchUnit();

    EcuSimulator unit;
    Norvane window;
    WindowDriver driver{window};

    // Starts the unit and connects the window to it over the fast line.
    bool start();
};

// Connects the window to the port over the fast line, which the unit must keep too.
bool ConnectOverFastLine(WindowDriver &driver, Norvane &window, const QString &port);

double Median(QVector<double> values);
QString Figure(double value, int decimals, const QString &unit = QString());
// One figure on the benchmark's log and, if it has a target, whether it met it.
void Report(const QString &measure, const QString &value, const QString &target = QString(), bool met = true);

#endif
