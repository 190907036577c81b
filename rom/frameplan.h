#ifndef ROM_FRAMEPLAN_H
#define ROM_FRAMEPLAN_H

#include <QByteArray>
#include <QVector>

#include "protocol/bootprotocol.h"

struct RomImage;

// One data frame of a transfer: the image bytes it carries, their address, its type, and
// the progress to show once the unit took it.
struct PlannedFrame {
    quint32 address;
    int offset;
    int length;
    FrameType type;
    int percentage;
};

// The chunks of the image in order; only the last is a FlashApplicationEnd frame, and
// only it brings the progress to 100.
QVector<PlannedFrame> PlanFrames(const RomImage &image);

// The frame's data area: the address, least significant byte first, then its image bytes.
QByteArray FrameDataArea(const RomImage &image, const PlannedFrame &frame);

#endif
