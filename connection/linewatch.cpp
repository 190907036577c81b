#include "app/norvane.h"

#include <QSerialPort>

namespace {

const char *const LINE_LOST_REASON = QT_TRANSLATE_NOOP("Norvane", "The line was lost (adapter unplugged?)");

} // namespace

// What the line brings while no answer is due, and the line going away.
void Norvane::WatchTheLine()
{
    // A full read buffer stops the port reading until something reads it, and clear() does
    // not restart it: bytes nobody asked for are read as they come, however many, and
    // judged for copies and refusals.
    connect(serialPort, &QSerialPort::readyRead, this, [this] {
        if (!AnswerIsDue())
            TakeUnclaimedBytes(serialPort->readAll());
    });

    // Qt 5.15 and 6.4 keep reporting a hung-up line from the event loop as fast as they can,
    // which burns a whole core; close the port once instead. The button keeps its state,
    // so the user disconnects and reconnects as after any lost connection.
    // Deferred: the port is still inside its own read handler when it reports.
    connect(serialPort, &QSerialPort::errorOccurred, this, [this] {
        if (LineLost())
            QMetaObject::invokeMethod(this, [this] {
                if (!LineLost())
                    return;
                CloseSerialPort();
                ShowStatusReason(tr(LINE_LOST_REASON));
            }, Qt::QueuedConnection);
    });
}

bool Norvane::LineLost() const
{
    const QSerialPort::SerialPortError error = serialPort->error();
    return serialPort->isOpen() && (error == QSerialPort::ReadError || error == QSerialPort::ResourceError);
}

// Drops what the port holds and what the system has queued for it, and makes sure the port
// reads again: clear() alone leaves a port whose buffer was full deaf.
void Norvane::DiscardInput()
{
    if (!serialPort->isOpen())
        return;
    serialPort->clear(QSerialPort::Input);
    serialPort->readAll();
}
