#include "sim/bootloader.h"

#include <QtEndian>

#include "sim/wireformat.h"

using namespace WireFormat;

quint8 Bootloader::handle(const QByteArray &frame)
{
    if (!HasValidChecksum(frame))
        return BadChecksum;
    if (quint8(frame.at(2)) == DataKind)
        return handleData(frame);
    return handleCommand(quint8(frame.at(3)));
}

Bootloader::State Bootloader::state() const
{
    return currentState;
}

const SparseMemory &Bootloader::memory() const
{
    return storedMemory;
}

quint8 Bootloader::handleCommand(quint8 code)
{
    const quint8 positive = PositiveStatus(code);
    if (positive == 0 || code == FlashApplication || code == FlashApplicationEnd)
        return UnknownCommand;
    if (code == JumpToBootloader) {
        currentState = State::Bootloader;
        return positive;
    }
    if (currentState == State::Application)
        return RefusedInThisState;

    switch (code) {
    case EraseApplication:
        storedMemory.clear();
        imageWritten = false;
        lastFrameWasEnd = false;
        currentState = State::Bootloader;
        return positive;
    case FlashApplicationStart:
        // Flash is programmed only after an erase: a second session over written bytes
        // would need one first.
        if (imageWritten)
            return RefusedInThisState;
        currentState = State::Programming;
        return positive;
    case VerifyApplication:
        return imageWritten && lastFrameWasEnd ? positive : quint8(VerifyFailed);
    case ResetEcu:
        currentState = State::Application;
        return positive;
    default:
        return UnknownCommand;
    }
}

quint8 Bootloader::handleData(const QByteArray &frame)
{
    if (currentState != State::Programming)
        return RefusedInThisState;
    const quint32 address = qFromLittleEndian<quint32>(frame.constData() + DataAddressOffset);
    storedMemory.write(address, frame.mid(DataImageOffset, DataImageSize));
    imageWritten = true;
    const quint8 code = quint8(frame.at(3));
    lastFrameWasEnd = code == FlashApplicationEnd;
    // An End frame closes the image, as a strict bootloader would.
    if (lastFrameWasEnd)
        currentState = State::Bootloader;
    return PositiveStatus(code);
}
