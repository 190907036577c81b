#ifndef SIM_FRAMEREADER_H
#define SIM_FRAMEREADER_H

#include <QByteArray>

// Cuts the byte stream from the tool into request frames. A stream that does not start
// with a command header (01 40 05) or a data header (01 40 FF 13, 01 40 FF 16) loses its
// first byte and is tried again from the next one, so the reader finds its way back to
// frame boundaries after noise or a truncated frame.
class FrameReader
{
public:
    void append(const QByteArray &bytes);

    // The next complete frame, or an empty array while more bytes are needed.
    QByteArray takeFrame();

    // Bytes dropped while looking for a header, since construction.
    qint64 skippedBytes() const;

    // Bytes taken from the stream so far, whether dropped or framed.
    qint64 consumedBytes() const;

private:
    // Frame size announced by the buffered header, 0 if the header is wrong, -1 if it is
    // still too short to tell.
    int announcedFrameSize() const;

    QByteArray buffer;
    qint64 skipped = 0;
    qint64 consumed = 0;
};

#endif // SIM_FRAMEREADER_H
