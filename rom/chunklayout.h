#ifndef ROM_CHUNKLAYOUT_H
#define ROM_CHUNKLAYOUT_H

// How the image is cut into data frames.
constexpr int CHUNK_ADDRESS_SIZE = 4;
constexpr int CHUNK_SIZE = 16384;
// Progress counts the image as ending at its last 16-byte record.
constexpr int PROGRESS_SPAN_BACKSTEP = 16;
constexpr int FULL_SCALE_PERCENTAGE = 100;

#endif
