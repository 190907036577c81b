#ifndef TESTS_UNITBENCH_H
#define TESTS_UNITBENCH_H

#include <QMap>
#include <QMetaType>
#include <QString>
#include <QStringList>

#include "app/norvane.h"
#include "driver/windowdriver.h"
#include "sim/ecusimulator.h"
#include "sim/sampleimage.h"

using Fault = EcuSimulator::Fault;
// The unit's answer to each command code.
using UnitFaults = QMap<int, Fault>;

// A simulated unit, the window, and the driver that works it and answers its boxes, for
// one test. The driver goes first, the window next and the unit last.
struct UnitBench {
    EcuSimulator unit;
    Norvane window;
    WindowDriver driver{window};
    ModalAnswerer &answerer = driver.answerer;

    // Starts the unit and connects the window to it as a user would.
    bool start(const QString &baudText = "115200");
    // The window as a Browse that took this file left it, without Browse's own check and
    // log line: for files that are bad, or change, after they were chosen.
    void presetRomFile(const QString &path);
    // A sample image of this size at 0x80000, written to the file and preset.
    bool presetSampleRom(const QString &path, int size);
    void setFaults(const UnitFaults &faults);
};

// The reasons the status bar gave, as the saved log keeps them.
QStringList StatusReasons(const Norvane &window);

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(WindowDriver::Operation)

#endif
