#include "support/messagecapture.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

struct Captured {
    QMutex mutex;
    QStringList debug;
    QStringList warning;
    int withLocation = 0;
};

Captured &captured()
{
    static Captured instance;
    return instance;
}

} // namespace

MessageCapture::MessageCapture()
    : previous(qInstallMessageHandler(&MessageCapture::Handle))
{
    clear();
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(previous);
}

QStringList MessageCapture::debugLines() const
{
    QMutexLocker lock(&captured().mutex);
    return captured().debug;
}

QStringList MessageCapture::warningLines() const
{
    QMutexLocker lock(&captured().mutex);
    return captured().warning;
}

int MessageCapture::linesWithLocation() const
{
    QMutexLocker lock(&captured().mutex);
    return captured().withLocation;
}

void MessageCapture::clear()
{
    QMutexLocker lock(&captured().mutex);
    captured().debug.clear();
    captured().warning.clear();
    captured().withLocation = 0;
}

void MessageCapture::Handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QMutexLocker lock(&captured().mutex);
    if (context.file != nullptr)
        ++captured().withLocation;
    if (type == QtDebugMsg)
        captured().debug << message;
    else if (type == QtWarningMsg)
        captured().warning << message;
}
