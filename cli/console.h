#ifndef CLI_CONSOLE_H
#define CLI_CONSOLE_H

#include <QString>

#include <cstdio>

// Writes text as UTF-8 and flushes, so that a script reading the pipe sees each line as it
// comes.
void Print(std::FILE *stream, const QString &text);
void PrintLine(std::FILE *stream, const QString &line);
// One line on stderr, headed by the program's name.
void PrintError(const QString &line);

#endif
