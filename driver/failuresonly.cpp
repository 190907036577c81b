#include "driver/failuresonly.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>

namespace {

void KeepFailuresOnly(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

void ShowFailuresOnly()
{
    qInstallMessageHandler(KeepFailuresOnly);
}
