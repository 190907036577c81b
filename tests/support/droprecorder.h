#ifndef TESTS_DROPRECORDER_H
#define TESTS_DROPRECORDER_H

#include <QStringList>

#include "connection/operationlistener.h"

// The answers the window told it dropped, as "copy: text" or "too soon: text".
struct DropRecorder : OperationListener {
    QStringList drops;

    void answerDropped(DroppedAnswer why, const QString &text) override
    {
        drops << (why == DroppedAnswer::Copy ? "copy: " : "too soon: ") + text;
    }
};

#endif
