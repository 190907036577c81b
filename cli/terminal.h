#ifndef CLI_TERMINAL_H
#define CLI_TERMINAL_H

#include <cstdio>

// True when the stream is a terminal, where a live line can be redrawn in place. The one
// place that asks the system, each in its own way.
bool IsTerminal(std::FILE *stream);

#endif
