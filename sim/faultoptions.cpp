#include "faultoptions.h"

#include "ecusimulator.h"

#include <QCommandLineParser>
#include <QStringList>

namespace {

bool ParseCodes(const QStringList &texts, QVector<quint8> *codes)
{
    for (const QString &text : texts) {
        bool ok = false;
        const uint code = text.toUInt(&ok, 16);
        if (!ok || code > 0xFF)
            return false;
        codes->append(quint8(code));
    }
    return true;
}

// 0 when the option is not given; -1 when its value is not a positive number.
int PositiveValue(const QCommandLineParser &parser, const QCommandLineOption &option)
{
    if (!parser.isSet(option))
        return 0;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    return ok && value > 0 ? value : -1;
}

} // namespace

FaultOptions::FaultOptions()
    : baudOption(QStringLiteral("baud"),
                 QStringLiteral("Pace both directions to <rate> baud, 10 bits a byte, as a real line."),
                 QStringLiteral("rate"))
    , silentOption(QStringLiteral("silent"),
                   QStringLiteral("Leave requests with command <code> (hex, e.g. 11) unanswered. Repeatable."),
                   QStringLiteral("code"))
    , failOption(QStringLiteral("fail"),
                 QStringLiteral("Answer requests with command <code> (hex) with failure status F0. Repeatable."),
                 QStringLiteral("code"))
    , hangUpOption(QStringLiteral("hang-up-after"),
                   QStringLiteral("Close the line once <n> requests have been answered, as a pulled cable would."),
                   QStringLiteral("n"))
{
}

void FaultOptions::addTo(QCommandLineParser &parser) const
{
    parser.addOptions({baudOption, silentOption, failOption, hangUpOption});
}

bool FaultOptions::read(const QCommandLineParser &parser, QString *error)
{
    baud = PositiveValue(parser, baudOption);
    hangUpAfter = PositiveValue(parser, hangUpOption);
    silentCodes.clear();
    failCodes.clear();
    if (baud < 0 || hangUpAfter < 0) {
        *error = QStringLiteral("--%1 needs a positive number").arg(baud < 0 ? "baud" : "hang-up-after");
        return false;
    }
    if (!ParseCodes(parser.values(silentOption), &silentCodes) || !ParseCodes(parser.values(failOption), &failCodes)) {
        *error = QStringLiteral("a command code is one hex byte, e.g. 10");
        return false;
    }
    return true;
}

void FaultOptions::applyTo(EcuSimulator &unit) const
{
    if (baud > 0)
        unit.setLineRate(baud);
    for (quint8 code : failCodes)
        unit.setCommandFault(code, EcuSimulator::Fault::answerStatus(Bootloader::RefusedInThisState));
    for (quint8 code : silentCodes)
        unit.setCommandFault(code, EcuSimulator::Fault::noAnswer());
    if (hangUpAfter > 0)
        unit.hangUpAfterFrames(hangUpAfter);
}
