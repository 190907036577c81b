#ifndef BENCH_IMAGEPATTERN_H
#define BENCH_IMAGEPATTERN_H

#include <QByteArray>
#include <QtGlobal>

// A deterministic stream of image bytes: a second pattern with the same seed gives the
// same bytes again, so a flashed image can be checked without keeping it whole.
class ImagePattern
{
public:
    explicit ImagePattern(quint32 seed);

    QByteArray next(int size);

private:
    quint32 state;
};

#endif
