#ifndef PLATFORM_SYSTEM_H
#define PLATFORM_SYSTEM_H

#include <QString>

#include <cstdio>

// What only the system can tell, each system in its own way.

// True when the stream is a terminal, where a live line can be redrawn in place.
bool IsTerminal(std::FILE *stream);
// The name of the signal that killed a process ("SIGKILL"), or its number where it has none.
QString SignalName(int signal);
// A closed pipe makes writing to it fail instead of ending the program.
void KeepRunningWhenOutputCloses();

#endif
