#include "platform/stopsignals.h"

// Elsewhere a closed terminal and a supervisor's stop arrive as signals.
void CatchConsoleEvents()
{ }
