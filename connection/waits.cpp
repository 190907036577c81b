#include "app/norvane.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>

// Every pause and every wait for the unit runs the event loop, so the window repaints
// and takes input while an operation waits.

void Norvane::Pause(int ms)
{
    if (stopRequested)
        return;
    QEventLoop loop;
    runningPause = &loop;
    RunEventLoopFor(&loop, ms);
    runningPause = nullptr;
}

// True once the port has bytes to read. A port error or a close (the line lost) ends the
// wait early, without bytes.
bool Norvane::WaitForResponseBytes(int timeoutMs)
{
    if (serialPort->bytesAvailable() > 0)
        return true;
    if (!serialPort->isOpen())
        return false;

    QEventLoop loop;
    connect(serialPort, &QSerialPort::readyRead, &loop, &QEventLoop::quit);
    WaitOnLine(&loop, timeoutMs);

    // Bytes that came while a box's own loop held this one past its time count as arrived.
    return serialPort->bytesAvailable() > 0;
}

// Runs the loop until it quits or the time is up; an error on the line or its closing ends
// it early.
void Norvane::WaitOnLine(QEventLoop *loop, int ms)
{
    connect(serialPort, &QSerialPort::aboutToClose, loop, &QEventLoop::quit);
    connect(serialPort, &QSerialPort::errorOccurred, loop, [loop](QSerialPort::SerialPortError error) {
        if (error != QSerialPort::NoError)
            loop->quit();
    });
    RunEventLoopFor(loop, ms);
}

// One pass, so that what was just logged is painted.
void Norvane::LetEventsRun()
{
    ++openWaits;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    --openWaits;
}

void Norvane::RunEventLoopFor(QEventLoop *loop, int ms)
{
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, loop, &QEventLoop::quit);

    ++openWaits;
    timer.start(ms);
    loop->exec();
    --openWaits;
}
