#ifndef CONNECTION_BAUDRATES_H
#define CONNECTION_BAUDRATES_H

// The rates the window offers, slowest first; the command line takes the same.
inline const char *const BAUD_RATE_TEXTS[] = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
constexpr int DEFAULT_BAUD_RATE_INDEX = 7;

#endif
