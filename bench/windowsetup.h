#ifndef BENCH_WINDOWSETUP_H
#define BENCH_WINDOWSETUP_H

#include <QString>

class Norvane;

// Puts the line into the port list, selects it and presses Connect, as a user would.
bool ConnectWindow(Norvane &window, const QString &portPath, const QString &baudText);

// Leaves the window as a successful Browse for this file does.
void ChooseRomFile(Norvane &window, const QString &path);

QString LastLogLine(const Norvane &window);

#endif
