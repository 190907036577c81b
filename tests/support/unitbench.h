#ifndef TESTS_UNITBENCH_H
#define TESTS_UNITBENCH_H

#include <QByteArray>
#include <QString>

#include "ecusimulator.h"

class Norvane;

// Puts the line into the port list, selects it and presses Connect, as a user would.
bool ConnectWindow(Norvane &window, const QString &portPath, const QString &baudText = "115200");

// The command byte of every frame the unit received, in order.
QByteArray ReceivedCommands(const EcuSimulator &unit);

// A deterministic image of the given size.
QByteArray SampleImage(int size, int seed = 1);

// Writes the image at the address as an Intel HEX file, the way the simulator saves its memory.
bool WriteRomFile(const QString &path, quint32 address, const QByteArray &image);

#endif
