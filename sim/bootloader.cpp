#include "bootloader.h"

#include "wireformat.h"

#include <QtEndian>

using namespace WireFormat;

quint8 Bootloader::handle(const QByteArray &frame)
{
    if (!hasValidChecksum(frame))
        return BadChecksum;
    if (quint8(frame.at(2)) == DataKind)
        return handleData(frame);
    return handleCommand(quint8(frame.at(3)));
}

Bootloader::State Bootloader::state() const
{
    return m_state;
}

const SparseMemory &Bootloader::memory() const
{
    return m_memory;
}

quint8 Bootloader::handleCommand(quint8 code)
{
    const quint8 positive = positiveStatus(code);
    if (positive == 0 || code == FlashApplication || code == FlashApplicationEnd)
        return UnknownCommand;
    if (code == JumpToBootloader) {
        m_state = State::Bootloader;
        return positive;
    }
    if (m_state == State::Application)
        return RefusedInThisState;

    switch (code) {
    case EraseApplication:
        m_memory.clear();
        m_imageWritten = false;
        m_lastFrameWasEnd = false;
        m_state = State::Bootloader;
        return positive;
    case FlashApplicationStart:
        // Flash is programmed only after an erase: a second session over written bytes
        // would need one first.
        if (m_imageWritten)
            return RefusedInThisState;
        m_state = State::Programming;
        return positive;
    case VerifyApplication:
        return m_imageWritten && m_lastFrameWasEnd ? positive : quint8(VerifyFailed);
    case ResetEcu:
        m_state = State::Application;
        return positive;
    default:
        return UnknownCommand;
    }
}

quint8 Bootloader::handleData(const QByteArray &frame)
{
    if (m_state != State::Programming)
        return RefusedInThisState;
    const quint32 address = qFromLittleEndian<quint32>(frame.constData() + DataAddressOffset);
    m_memory.write(address, frame.mid(DataImageOffset, DataImageSize));
    m_imageWritten = true;
    const quint8 code = quint8(frame.at(3));
    m_lastFrameWasEnd = code == FlashApplicationEnd;
    // An End frame closes the image, as a strict bootloader would.
    if (m_lastFrameWasEnd)
        m_state = State::Bootloader;
    return positiveStatus(code);
}
