#ifndef SIM_BOOTLOADER_H
#define SIM_BOOTLOADER_H

#include <QByteArray>

#include "sim/sparsememory.h"

// What the unit does with one well-formed request, and the status it answers. Knows
// nothing of the line, timing or faults. States and failure statuses are described in
// ecusimulator.h.
class Bootloader
{
public:
    enum class State { Application, Bootloader, Programming };

    enum Status : quint8 {
        RefusedInThisState = 0xF0,
        BadChecksum = 0xF1,
        UnknownCommand = 0xF3,
        VerifyFailed = 0xF4,
    };

    // The status to answer a whole command or data frame with.
    quint8 handle(const QByteArray &frame);

    State state() const;
    const SparseMemory &memory() const;

private:
    quint8 handleCommand(quint8 code);
    quint8 handleData(const QByteArray &frame);

    State currentState = State::Application;
    SparseMemory storedMemory;
    bool imageWritten = false;
    bool lastFrameWasEnd = false;
};

#endif // SIM_BOOTLOADER_H
