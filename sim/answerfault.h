#ifndef ANSWERFAULT_H
#define ANSWERFAULT_H

#include <QByteArray>
#include <QVector>

// How the unit's answer to one kind of request goes wrong on the line. The unit acts on the
// request as usual; only what it sends changes.
struct AnswerFault {
    bool silent = false;         // no answer at all
    int delayMs = 0;             // counted from the arrival of the request's last byte
    QVector<int> pieces;         // answer in pieces of these sizes; the rest goes last
    int gapMs = 0;               // pause between pieces
    QByteArray extraBytes;       // sent right after the answer
    bool wrongChecksum = false;  // last byte of the checksum field altered
    int status = -1;             // status byte to send instead, -1 to keep it
    bool hangUp = false;         // close the line instead of answering
    QByteArray earlyBytes;       // sent as soon as the request is read, before it has arrived whole
    int copyAfterMs = -1;        // the answer sent again this long after it; -1: once
    int copiedAnswers = -1;      // how many answers get that copy, the first ones; -1: all

    static AnswerFault noAnswer();
    static AnswerFault answerStatus(int status);
    // Trailing bytes follow the answer, in its last piece.
    static AnswerFault answerInPieces(const QVector<int> &sizes, int gapMs,
                                      const QByteArray &trailing = QByteArray());
    static AnswerFault corruptChecksum();
    static AnswerFault lineHangUp();
    static AnswerFault answerTwice(int copyAfterMs);

    // The status that goes out for a request the unit judged so, -1 for none.
    int answeredStatus(quint8 judged) const;
    // The bytes that go out for that status, trailing bytes included.
    QByteArray answerBytes(quint8 status) const;
    // Those bytes cut into the pieces that go out one after another.
    QVector<QByteArray> answerPieces(const QByteArray &answer) const;
};

#endif // ANSWERFAULT_H
