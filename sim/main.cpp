#include "ecusimulator.h"
#include "wireformat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QtEndian>

#include <chrono>
#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onSignal(int)
{
    interrupted = 1;
}

void catchSignal(int number)
{
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(number, &action, nullptr);
}

qint64 steadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString describe(const EcuSimulator::ReceivedFrame &frame, qint64 startMs)
{
    QString line = QStringLiteral("%1 s  %2 (0x%3)")
                       .arg((frame.atMs - startMs) / 1000.0, 0, 'f', 3)
                       .arg(WireFormat::commandName(frame.command))
                       .arg(uint(frame.command), 2, 16, QLatin1Char('0'));
    if (frame.bytes.size() == WireFormat::DataFrameSize) {
        const quint32 address =
            qFromLittleEndian<quint32>(frame.bytes.constData() + WireFormat::DataAddressOffset);
        line += QStringLiteral(" at 0x%1").arg(address, 8, 16, QLatin1Char('0'));
    }
    line += QStringLiteral(", %1 bytes, checksum %2, ")
                .arg(frame.bytes.size())
                .arg(frame.checksumOk ? QStringLiteral("ok") : QStringLiteral("BAD"));
    if (frame.answeredStatus < 0)
        line += QStringLiteral("no answer");
    else
        line += QStringLiteral("answered 0x%1").arg(frame.answeredStatus, 2, 16, QLatin1Char('0'));
    return line;
}

bool parseCodes(const QStringList &texts, QVector<quint8> *codes)
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

void printLine(FILE *stream, const QString &line)
{
    std::fprintf(stream, "%s\n", qPrintable(line));
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ecu-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays an ECU bootloader on a pseudo-terminal. Prints the port to open in the tool,\n"
        "then one line for every frame received, until interrupted (Ctrl+C)."));
    parser.addHelpOption();
    const QCommandLineOption baudOption(QStringLiteral("baud"),
        QStringLiteral("Pace both directions to <rate> baud, 10 bits a byte."), QStringLiteral("rate"));
    const QCommandLineOption saveHexOption(QStringLiteral("save-hex"),
        QStringLiteral("On exit, save the written memory to <file> as Intel HEX."), QStringLiteral("file"));
    const QCommandLineOption silentOption(QStringLiteral("silent"),
        QStringLiteral("Leave frames with command <code> (hex, e.g. 11) unanswered. Repeatable."),
        QStringLiteral("code"));
    const QCommandLineOption failOption(QStringLiteral("fail"),
        QStringLiteral("Answer frames with command <code> (hex) with failure status F0. Repeatable."),
        QStringLiteral("code"));
    parser.addOptions({baudOption, saveHexOption, silentOption, failOption});
    parser.process(app);

    EcuSimulator simulator;
    if (parser.isSet(baudOption)) {
        bool ok = false;
        const int baud = parser.value(baudOption).toInt(&ok);
        if (!ok || baud <= 0) {
            printLine(stderr, QStringLiteral("ecu-sim: --baud needs a positive number"));
            return 2;
        }
        simulator.setLineRate(baud);
    }
    QVector<quint8> silentCodes;
    QVector<quint8> failCodes;
    if (!parseCodes(parser.values(silentOption), &silentCodes)
        || !parseCodes(parser.values(failOption), &failCodes)) {
        printLine(stderr, QStringLiteral("ecu-sim: a command code is one hex byte, e.g. 10"));
        return 2;
    }
    for (quint8 code : qAsConst(failCodes))
        simulator.setCommandFault(code, EcuSimulator::Fault::answerStatus(Bootloader::RefusedInThisState));
    for (quint8 code : qAsConst(silentCodes))
        simulator.setCommandFault(code, EcuSimulator::Fault::noAnswer());

    catchSignal(SIGINT);
    catchSignal(SIGTERM);
    const qint64 startMs = steadyNowMs();
    if (!simulator.start()) {
        printLine(stderr, QStringLiteral("ecu-sim: cannot open a pseudo-terminal: %1").arg(simulator.errorString()));
        return 1;
    }
    printLine(stdout, simulator.portPath());

    int shown = 0;
    const auto showNewFrames = [&] {
        const auto frames = simulator.frames();
        for (; shown < frames.size(); ++shown)
            printLine(stdout, describe(frames.at(shown), startMs));
    };
    while (!interrupted && simulator.isLineOpen()) {
        simulator.waitForFrames(shown + 1, 200);
        showNewFrames();
    }
    simulator.stop();
    showNewFrames();
    printLine(stderr, QStringLiteral("ecu-sim: %1 frames received, %2 bytes skipped")
                          .arg(shown).arg(simulator.skippedBytes()));

    if (parser.isSet(saveHexOption)) {
        QString error;
        if (!simulator.saveIntelHex(parser.value(saveHexOption), &error)) {
            printLine(stderr, QStringLiteral("ecu-sim: cannot save %1: %2").arg(parser.value(saveHexOption), error));
            return 1;
        }
        printLine(stderr, QStringLiteral("ecu-sim: memory saved to %1").arg(parser.value(saveHexOption)));
    }
    return 0;
}
