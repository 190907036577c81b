#ifndef TESTS_UNITBENCH_H
#define TESTS_UNITBENCH_H

#include <QMetaType>
#include <QString>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "sampleimage.h"
#include "support/modalanswerer.h"

// A simulated unit, the window, and the answerer of the window's boxes, for one test.
// The window goes first and the unit last.
struct UnitBench {
    EcuSimulator unit;
    ModalAnswerer answerer;
    Norvane window;

    // Starts the unit and connects the window to it as a user would.
    bool start(const QString &baudText = "115200");
};

// Puts the line into the port list, selects it and presses Connect, as a user would.
bool ConnectWindow(Norvane &window, const QString &portPath, const QString &baudText = "115200");

using Fault = EcuSimulator::Fault;
Q_DECLARE_METATYPE(Fault)

#endif
