#include "fuzz/fuzzsupport.h"

#include <QtGlobal>

#include <cstdlib>

namespace {

QtMessageHandler previousHandler = nullptr;

void QuietMessageHandler(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        previousHandler(type, context, text);
}

} // namespace

void InstallQuietMessageHandler()
{
    previousHandler = qInstallMessageHandler(QuietMessageHandler);
}

void Expect(bool promiseHeld)
{
    if (!promiseHeld)
        std::abort();
}
