#ifndef PROTOCOL_EARLYANSWERS_H
#define PROTOCOL_EARLYANSWERS_H

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

// True for a status that some command's answer carries on success (0x80 to 0x86).
bool IsSuccessStatus(quint8 status);

// Finds answer-shaped frames (8 bytes whose checksum field is right) in what the line brings
// while no answer is due, whatever noise surrounds them and however the reads cut them.
class EarlyAnswers
{
public:
    // Takes the bytes in and returns the frames they complete, oldest first.
    QVector<QByteArray> take(const QByteArray &bytes);
    void clear();

private:
    // Fewer than a frame's bytes: the start of one that may still come whole.
    QByteArray pending;
};

#endif
