#include "sim/answerfault.h"

#include "sim/wireformat.h"

AnswerFault AnswerFault::noAnswer()
{
    AnswerFault fault;
    fault.silent = true;
    return fault;
}

AnswerFault AnswerFault::answerStatus(int status)
{
    AnswerFault fault;
    fault.status = status;
    return fault;
}

AnswerFault AnswerFault::answerInPieces(const QVector<int> &sizes, int gapMs, const QByteArray &trailing)
{
    AnswerFault fault;
    fault.pieces = sizes;
    fault.gapMs = gapMs;
    fault.extraBytes = trailing;
    return fault;
}

AnswerFault AnswerFault::corruptChecksum()
{
    AnswerFault fault;
    fault.wrongChecksum = true;
    return fault;
}

AnswerFault AnswerFault::lineHangUp()
{
    AnswerFault fault;
    fault.hangUp = true;
    return fault;
}

AnswerFault AnswerFault::answerTwice(int copyAfterMs)
{
    AnswerFault fault;
    fault.copyAfterMs = copyAfterMs;
    return fault;
}

int AnswerFault::answeredStatus(quint8 judged) const
{
    if (silent || hangUp)
        return -1;
    return status >= 0 ? (status & 0xFF) : judged;
}

QByteArray AnswerFault::answerBytes(quint8 status) const
{
    QByteArray answer = WireFormat::ResponseFrame(status);
    if (wrongChecksum)
        answer[WireFormat::ResponseFrameSize - 1] = char(answer.at(WireFormat::ResponseFrameSize - 1) ^ 0x01);
    return answer + extraBytes;
}

QVector<QByteArray> AnswerFault::answerPieces(const QByteArray &answer) const
{
    QVector<QByteArray> cut;
    int position = 0;
    for (int size : pieces) {
        if (size <= 0 || position >= answer.size())
            continue;
        cut.append(answer.mid(position, size));
        position += cut.last().size();
    }
    if (position < answer.size())
        cut.append(answer.mid(position));
    return cut;
}
