#include "support/messagecapture.h"

#include <QMutex>
#include <QMutexLocker>

namespace {

QMutex mutex;
QStringList captured;

void collect(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    QMutexLocker lock(&mutex);
    if (type == QtDebugMsg)
        captured << message;
}

} // namespace

MessageCapture::MessageCapture()
    : previous(qInstallMessageHandler(collect))
{
    QMutexLocker lock(&mutex);
    captured.clear();
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(previous);
}

QStringList MessageCapture::debugLines() const
{
    QMutexLocker lock(&mutex);
    return captured;
}
