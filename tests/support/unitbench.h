#ifndef TESTS_UNITBENCH_H
#define TESTS_UNITBENCH_H

#include <QByteArray>
#include <QString>
#include <QVector>

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

// The command byte of every frame the unit received, in order.
QByteArray ReceivedCommands(const EcuSimulator &unit);

// Faults of the unit's answer.
EcuSimulator::Fault NoAnswer();
EcuSimulator::Fault AnswerStatus(int status);
// Trailing bytes follow the answer, in its last piece.
EcuSimulator::Fault AnswerInPieces(const QVector<int> &sizes, int gapMs,
                                   const QByteArray &trailing = QByteArray());
EcuSimulator::Fault WrongChecksum();
EcuSimulator::Fault HangUpInstead();

#endif
