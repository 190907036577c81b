#ifndef CONNECTION_OPERATIONTEXTS_H
#define CONNECTION_OPERATIONTEXTS_H

// The log lines of one operation's command sequence.
struct OperationTexts {
    const char *started;
    const char *jumpFailed;
    const char *jumpSucceeded;
    const char *commandRunning;
    const char *commandFailed;
    const char *commandSucceeded;
    const char *resetting;
    const char *resetFailed;
    const char *resetSucceeded;
};

// Fixed waits of every operation, in milliseconds.
constexpr unsigned long LINE_PULSE_MS = 100;
constexpr unsigned long LINE_SETTLE_MS = 2000;
constexpr unsigned long COMMAND_DELAY_MS = 2000;

#endif
