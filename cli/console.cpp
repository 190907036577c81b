#include "cli/console.h"

void Print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void PrintLine(std::FILE *stream, const QString &line)
{
    Print(stream, line + '\n');
}

void PrintError(const QString &line)
{
    PrintLine(stderr, "varnholt-cli: " + line);
}
