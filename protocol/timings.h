#ifndef PROTOCOL_TIMINGS_H
#define PROTOCOL_TIMINGS_H

#include <QtGlobal>

// Every fixed wait of the tool, in milliseconds, and the line arithmetic they rest on.

// The DTR/RTS pulse that starts every operation, the unit's settle after it, and the wait
// before the operation's own command.
constexpr int LINE_PULSE_MS = 100;
constexpr int LINE_SETTLE_MS = 2000;
constexpr int COMMAND_DELAY_MS = 2000;
// All three, which every operation waits once.
constexpr int FIXED_WAITS_MS = LINE_PULSE_MS + LINE_SETTLE_MS + COMMAND_DELAY_MS;

// One wait for response bytes; it starts afresh after every arrival.
constexpr int RESPONSE_WAIT_MS = 20000;

// Room beyond its time on the line for a request to be taken by the system: a port that
// holds its output longer is stuck.
constexpr int REQUEST_LEAVE_MARGIN_MS = 2000;

// How long the desktop may take to say whether it has an application for PDF files.
constexpr int PDF_VIEWER_QUERY_BOUND_MS = 5000;

// 8N1: a start bit, eight data bits and a stop bit for every byte.
constexpr qint64 BITS_PER_BYTE = 10;

// Time that bytes spend on the line at this rate, rounded up; 0 for no rate.
constexpr qint64 LineTimeMs(qint64 bytes, qint32 baudRate)
{
    return baudRate <= 0 ? 0 : (bytes * BITS_PER_BYTE * 1000 + baudRate - 1) / baudRate;
}

// The least time these bytes take on the line, rounded down: no answer to them can come
// sooner after they were written.
constexpr qint64 LeastLineTimeNs(qint64 bytes, qint32 baudRate)
{
    return baudRate <= 0 ? 0 : bytes * BITS_PER_BYTE * 1000000000 / baudRate;
}

// Adapters' clocks run a few per cent off their rate, and a unit may answer the moment a
// request is in: an answer counts once this share of the request's least time on the line
// has passed. Sooner, it is a copy of an earlier answer or the line runs faster than its rate.
constexpr qint64 ANSWER_DUE_PERCENT = 95;

// When an answer to these bytes can first count, after they were written.
constexpr qint64 AnswerDueNs(qint64 bytes, qint32 baudRate)
{
    return LeastLineTimeNs(bytes, baudRate) * ANSWER_DUE_PERCENT / 100;
}

#endif
