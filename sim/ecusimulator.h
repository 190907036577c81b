#ifndef ECUSIMULATOR_H
#define ECUSIMULATOR_H

#include "answerfault.h"
#include "bootloader.h"
#include "framereader.h"
#include "lineclock.h"
#include "pseudoterminal.h"
#include "wakepipe.h"

#include <QByteArray>
#include <QHash>
#include <QPair>
#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

// An ECU bootloader at the far end of a pseudo-terminal, played on a thread of its own.
// The tool opens portPath() with QSerialPort as it would a real port.
//
// The line
//   Requests are command frames (01 40 05 code, checksum field: 8 bytes) and data frames
//   (01 40 FF 13 or 01 40 FF 16, 4-byte little-endian address, 16384 image bytes, zeros,
//   checksum field: 16396 bytes). A stream that does not start with 01 40 05 or with a
//   data header loses one byte and is read again from the next (see skippedBytes()).
//   Every request gets exactly one 8-byte answer, 00 00 00 status then the checksum field
//   over those four bytes: a positive answer to Jump reads 00 00 00 80 00 00 FF 80.
//
// States
//   Application  after start and after Reset ECU. Only Jump to Boot Loader is answered
//                with success; everything else gets RefusedInThisState.
//   Bootloader   after Jump (from any state), after Erase and after an End frame.
//   Programming  after Flash start; data frames are accepted only here, and each writes
//                its 16384 image bytes at its address. An End (0x16) frame closes the
//                image and returns to Bootloader, so a data frame after it is refused
//                (RefusedInThisState); only a new Flash start would open another image.
//
// Commands in Bootloader or Programming
//   Jump         0x80, enters Bootloader (ends a session).
//   Erase        0x82, clears the memory, ends a session.
//   Flash start  0x85, opens a session, but only while nothing has been written since the
//                last erase (flash is programmed after an erase); else RefusedInThisState.
//   Verify       0x81 when an image was written since the last erase and the last data
//                frame written was an End frame; else VerifyFailed. State unchanged.
//   Reset ECU    0x84, back to Application: Jump is needed again. Memory is kept.
//   Data frames  0x83 for 0x13, 0x86 for 0x16.
//
// Failure statuses (Bootloader::Status)
//   0xF0 RefusedInThisState  the request is out of order in the present state
//   0xF1 BadChecksum         the checksum field is wrong; the frame is not acted on
//   0xF3 UnknownCommand      a command frame with a code that is not a command
//   0xF4 VerifyFailed        no complete image since the last erase
//
// Timing
//   Both directions take 10 bits a byte at the rate the tool set on its side of the line
//   (a rate outside the standard list: no pacing), unless setLineRate() says otherwise. A
//   request is acted on when its last byte has arrived on that clock. setClockError() makes
//   the line run faster or slower than that rate, as adapters' clocks do.
//
// Faults change only what goes on the line: the unit acts on the request as usual.
// A frame is recorded as soon as its answer is decided, before the answer goes out.
class EcuSimulator
{
public:
    using State = Bootloader::State;
    using Fault = AnswerFault;
    using Clock = LineClock::Clock;

    struct ReceivedFrame {
        qint64 atMs;         // std::chrono::steady_clock, ms since its epoch, last byte
        quint8 command;      // byte 3
        QByteArray bytes;
        bool checksumOk;
        int answeredStatus;  // -1: no answer
    };

    // setLineRate() value: the rate the tool set on the line.
    static constexpr int RateOfThePort = -1;

    EcuSimulator();
    ~EcuSimulator();
    EcuSimulator(const EcuSimulator &) = delete;
    EcuSimulator &operator=(const EcuSimulator &) = delete;

    // A new line each time; the unit's state, memory and record carry over.
    bool start();
    void stop();
    // False once stopped or hung up.
    bool isLineOpen() const;
    QString portPath() const;
    QString errorString() const;

    // RateOfThePort (the default), 0 for no pacing, or the rate both directions run at.
    void setLineRate(int baud);
    // The line that many per cent faster (or, below 0, slower) than its rate, both ways.
    void setClockError(double percent);
    // The nth data frame from now (1 for the next) is answered BadChecksum and not written,
    // as noise on the line would have it; 0 for none.
    void refuseDataFrame(int n);

    // A command fault applies to every frame whose byte 3 is that code, data frames too.
    void setCommandFault(quint8 commandCode, const Fault &fault);
    // Also cancels a pending hang-up.
    void clearFaults();
    // Closes the line once n more frames have been handled, after giving the tool up to a
    // second to read the last answer; 0 closes it now, even in the middle of a frame.
    void hangUpAfterFrames(int n);
    // Stale bytes: written to the line at once, unpaced. False if the line is closed.
    bool sendRaw(const QByteArray &bytes);

    QVector<ReceivedFrame> frames() const;
    // The command byte of every frame received, in order.
    QByteArray receivedCommands() const;
    bool waitForFrames(int count, int timeoutMs) const;
    qint64 skippedBytes() const;

    QByteArray memory(quint32 address, int length) const;
    QVector<QPair<quint32, quint32>> writtenRanges() const;  // (first address, length)
    bool saveIntelHex(const QString &path, QString *errorString = nullptr) const;

    State state() const;

private:
    void run();
    bool hangUpDue();
    void receive(const QByteArray &bytes, Clock::time_point readAt);
    void handleFrame(const QByteArray &frame, Clock::time_point arrivedAt);
    void sendAnswer(quint8 status, const Fault &fault, Clock::time_point arrivedAt);
    bool sendPaced(const QByteArray &bytes);
    bool writeToLine(const QByteArray &bytes);
    void schedule(Clock::time_point at, const QByteArray &bytes);
    bool sendScheduled(Clock::time_point now);
    bool sleepUntil(Clock::time_point until);
    bool waitUntil(Clock::time_point until);
    bool interrupted() const;
    void closeLine();
    void waitUntilAnswerTaken();
    void followLineRate();
    Fault faultFor(quint8 code) const;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::atomic<bool> m_stopping{false};
    Bootloader m_bootloader;
    QVector<ReceivedFrame> m_frames;
    QHash<quint8, Fault> m_commandFaults;
    int m_framesUntilHangUp = -1;
    int m_baud = RateOfThePort;
    double m_clockErrorPercent = 0;
    int m_dataFramesUntilRefusal = 0;
    qint64 m_skippedBytes = 0;
    QString m_portPath;
    QString m_errorString;

    // Writes to the line and its closing; never held together with m_mutex.
    mutable std::mutex m_lineMutex;
    PseudoTerminal m_line;

    std::thread m_thread;
    WakePipe m_wake;

    // Used by the simulator's thread only.
    FrameReader m_reader;
    LineClock m_clock;
    // Bytes to send later, by time; the unit goes on receiving and answering meanwhile.
    QVector<QPair<Clock::time_point, QByteArray>> m_scheduled;
};

#endif // ECUSIMULATOR_H
