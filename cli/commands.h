#ifndef CLI_COMMANDS_H
#define CLI_COMMANDS_H

struct CliRequest;

// Each command of varnholt-cli; each returns the exit status.

// cli/checkcommand.cpp: the window's check of a ROM file, and its summary.
int RunCheck(const CliRequest &request);
// cli/portscommand.cpp: the serial ports with their descriptions.
int RunPorts();
// cli/unitsrun.cpp: flash, verify or erase on every unit at once.
int RunOnUnits(const CliRequest &request);
// cli/unitsession.cpp: the hidden command of one unit's process.
int RunUnitSession(int argc, char *argv[]);

#endif
