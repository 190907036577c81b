#include "support/successwatch.h"

#include <QTextEdit>

#include "ecusimulator.h"

namespace {

const QStringList SUCCESS_LINES = {"[Flash Hanlder] Flash success", "[Flash Hanlder] Verify success",
                                   "[Flash Hanlder] Reset success"};

} // namespace

SuccessWatch::SuccessWatch(QTextEdit *pane, const EcuSimulator &unit, quint32 address, const QByteArray &image)
    : pane(pane)
    , unit(unit)
    , address(address)
    , image(image)
{
    connect(pane, &QTextEdit::textChanged, this, &SuccessWatch::look);
}

QStringList SuccessWatch::allHeld()
{
    QStringList held;
    for (const QString &line : SUCCESS_LINES)
        held << line + ": image held";
    return held;
}

void SuccessWatch::look()
{
    const QString last = pane->toPlainText().section('\n', -1);
    if (!SUCCESS_LINES.contains(last) || (!lines.isEmpty() && lines.last().startsWith(last)))
        return;
    lines << last + (unit.memory(address, image.size()) == image ? ": image held" : ": image NOT held");
}
