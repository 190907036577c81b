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

// "code:ms", the code in hex.
bool ParseCopies(const QStringList &texts, QVector<QPair<quint8, int>> *copies)
{
    for (const QString &text : texts) {
        const QStringList parts = text.split(QLatin1Char(':'));
        bool codeOk = false;
        bool msOk = false;
        const uint code = parts.value(0).toUInt(&codeOk, 16);
        const int ms = parts.value(1).toInt(&msOk);
        if (parts.size() != 2 || !codeOk || code > 0xFF || !msOk || ms < 0)
            return false;
        copies->append({quint8(code), ms});
    }
    return true;
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
    , clockErrorOption(QStringLiteral("clock-error"),
                       QStringLiteral("Run the line <percent> faster than its rate (below 0: slower), as an "
                                      "adapter's clock does; 0.16 is the commonest USB chip at 115200."),
                       QStringLiteral("percent"))
    , copyOption(QStringLiteral("copy"),
                 QStringLiteral("Answer command <code> (hex) twice, the copy <ms> after the answer, reading on "
                                "meanwhile; e.g. 12:20. Repeatable."),
                 QStringLiteral("code:ms"))
    , refuseFrameOption(QStringLiteral("refuse-frame"),
                        QStringLiteral("Answer the <n>th data frame with status F1, as noise would, and write "
                                       "nothing of it."),
                        QStringLiteral("n"))
{
}

void FaultOptions::addTo(QCommandLineParser &parser) const
{
    parser.addOptions(
        {baudOption, silentOption, failOption, hangUpOption, clockErrorOption, copyOption, refuseFrameOption});
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
    return readAnswerFaults(parser, error);
}

bool FaultOptions::readAnswerFaults(const QCommandLineParser &parser, QString *error)
{
    bool ok = true;
    clockErrorPercent = parser.isSet(clockErrorOption) ? parser.value(clockErrorOption).toDouble(&ok) : 0;
    if (!ok || clockErrorPercent <= -100) {
        *error = QStringLiteral("--clock-error needs a number of per cent above -100, e.g. 2 or -1.5");
        return false;
    }
    copies.clear();
    if (!ParseCopies(parser.values(copyOption), &copies)) {
        *error = QStringLiteral("--copy needs a hex command code and milliseconds, e.g. 12:20");
        return false;
    }
    refusedFrame = PositiveValue(parser, refuseFrameOption);
    if (refusedFrame < 0) {
        *error = QStringLiteral("--refuse-frame needs a positive number");
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
    unit.setClockError(clockErrorPercent);
    for (const auto &copy : copies)
        unit.setCommandFault(copy.first, EcuSimulator::Fault::answerTwice(copy.second));
    unit.refuseDataFrame(refusedFrame);
}
