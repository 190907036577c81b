#include "ecusimulator.h"
#include "faultoptions.h"
#include "wireformat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QtEndian>

#include <chrono>
#include <cstdio>

#include "platform/stopsignals.h"

namespace {

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

void printLine(FILE *stream, const QString &line)
{
    std::fprintf(stream, "%s\n", qPrintable(line));
    std::fflush(stream);
}

// Prints a line for every frame until the line closes or the program is interrupted;
// returns how many frames it printed.
int showFramesUntilStopped(EcuSimulator &simulator)
{
    const qint64 startMs = steadyNowMs();
    int shown = 0;
    const auto showNewFrames = [&] {
        const auto frames = simulator.frames();
        for (; shown < frames.size(); ++shown)
            printLine(stdout, describe(frames.at(shown), startMs));
    };
    while (StopSignals::count() == 0 && simulator.isLineOpen()) {
        simulator.waitForFrames(shown + 1, 200);
        showNewFrames();
    }
    simulator.stop();
    showNewFrames();
    return shown;
}

bool saveMemory(const EcuSimulator &simulator, const QString &path)
{
    QString error;
    if (!simulator.saveIntelHex(path, &error)) {
        printLine(stderr, QStringLiteral("ecu-sim: cannot save %1: %2").arg(path, error));
        return false;
    }
    printLine(stderr, QStringLiteral("ecu-sim: memory saved to %1").arg(path));
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ecu-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays an ECU bootloader on a pseudo-terminal. Prints the port's path, for programs that\n"
        "open a port by its path (the Varnholt window lists only the ports the system reports:\n"
        "practise with it in varnholt-rehearsal, which takes the same options), then one line\n"
        "for every frame received, until interrupted (Ctrl+C)."));
    parser.addHelpOption();
    const QCommandLineOption saveHexOption(QStringLiteral("save-hex"),
        QStringLiteral("On exit, save the written memory to <file> as Intel HEX."), QStringLiteral("file"));
    parser.addOption(saveHexOption);
    FaultOptions faults;
    faults.addTo(parser);
    parser.process(app);

    QString error;
    if (!faults.read(parser, &error)) {
        printLine(stderr, QStringLiteral("ecu-sim: ") + error);
        return 2;
    }
    EcuSimulator simulator;
    faults.applyTo(simulator);

    const StopSignals stopSignals;
    if (!simulator.start()) {
        printLine(stderr, QStringLiteral("ecu-sim: cannot open a pseudo-terminal: %1").arg(simulator.errorString()));
        return 1;
    }
    printLine(stdout, simulator.portPath());
    const int shown = showFramesUntilStopped(simulator);
    printLine(stderr, QStringLiteral("ecu-sim: %1 frames received, %2 bytes skipped")
                          .arg(shown).arg(simulator.skippedBytes()));

    if (parser.isSet(saveHexOption) && !saveMemory(simulator, parser.value(saveHexOption)))
        return 1;
    return 0;
}
