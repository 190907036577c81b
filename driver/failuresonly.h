#ifndef DRIVER_FAILURESONLY_H
#define DRIVER_FAILURESONLY_H

// What runs the window without a person shows the window's log; the tool's diagnostics and
// the platform's notices would bury it. From this call on, only real failures reach the
// terminal.
void ShowFailuresOnly();

#endif
