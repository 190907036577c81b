#ifndef ROM_CHUNKLAYOUT_H
#define ROM_CHUNKLAYOUT_H

#include <QtGlobal>

// How the image is cut into data frames.
constexpr int CHUNK_ADDRESS_SIZE = 4;
constexpr int CHUNK_SIZE = 16384;
constexpr quint32 RECORD_STEP = 16;
constexpr quint32 CHUNK_ADDRESS_BACKSTEP = 16368;
constexpr qint32 SINGLE_FRAME_SPAN = 16392;
constexpr int FULL_SCALE_PERCENTAGE = 100;

#endif
