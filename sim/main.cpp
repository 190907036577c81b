#include "sim/ecusimulator.h"
#include "sim/faultoptions.h"
#include "sim/samplefile.h"
#include "sim/wireformat.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QtEndian>

#include <chrono>
#include <cstdio>

#include "platform/stopsignals.h"

namespace {

qint64 SteadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString Describe(const EcuSimulator::ReceivedFrame &frame, qint64 startMs)
{
    QString line = QStringLiteral("%1 s  %2 (0x%3)")
                       .arg((frame.atMs - startMs) / 1000.0, 0, 'f', 3)
                       .arg(WireFormat::CommandName(frame.command))
                       .arg(uint(frame.command), 2, 16, QLatin1Char('0'));
    if (frame.bytes.size() == WireFormat::DataFrameSize) {
        const quint32 address = qFromLittleEndian<quint32>(frame.bytes.constData() + WireFormat::DataAddressOffset);
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

void PrintLine(FILE *stream, const QString &line)
{
    std::fprintf(stream, "%s\n", qPrintable(line));
    std::fflush(stream);
}

// Prints a line for every frame until the line closes or the program is interrupted;
// returns how many frames it printed.
int ShowFramesUntilStopped(EcuSimulator &simulator)
{
    const qint64 startMs = SteadyNowMs();
    int shown = 0;
    const auto showNewFrames = [&] {
        const auto frames = simulator.frames();
        for (; shown < frames.size(); ++shown)
            PrintLine(stdout, Describe(frames.at(shown), startMs));
    };
    while (StopSignals::count() == 0 && simulator.isLineOpen()) {
        simulator.waitForFrames(shown + 1, 200);
        showNewFrames();
    }
    simulator.stop();
    showNewFrames();
    return shown;
}

bool SaveMemory(const EcuSimulator &simulator, const QString &path)
{
    QString error;
    if (!simulator.saveIntelHex(path, &error)) {
        PrintLine(stderr, QStringLiteral("ecu-sim: cannot save %1: %2").arg(path, error));
        return false;
    }
    PrintLine(stderr, QStringLiteral("ecu-sim: memory saved to %1").arg(path));
    return true;
}

// --write-sample: the file is written and no unit starts.
int WriteSample(SampleFile &sample, const QCommandLineParser &parser)
{
    QString message;
    if (!sample.read(parser, &message)) {
        PrintLine(stderr, QStringLiteral("ecu-sim: ") + message);
        return 2;
    }
    if (!sample.write(&message)) {
        PrintLine(stderr, QStringLiteral("ecu-sim: ") + message);
        return 1;
    }
    PrintLine(stdout, message);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("ecu-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays an ECU bootloader on a pseudo-terminal. Prints the port's path, for programs that\n"
                       "open a port by its path (the Varnholt window lists only the ports the system reports:\n"
                       "practise with it in varnholt-rehearsal, which takes the same options), then one line\n"
                       "for every frame received, until interrupted (Ctrl+C)."));
    parser.addHelpOption();
    const QCommandLineOption saveHexOption(QStringLiteral("save-hex"),
                                           QStringLiteral("On exit, save the written memory to <file> as Intel HEX."),
                                           QStringLiteral("file"));
    parser.addOption(saveHexOption);
    FaultOptions faults;
    faults.addTo(parser);
    SampleFile sample;
    sample.addTo(parser);
    parser.process(app);
    if (sample.isRequested(parser))
        return WriteSample(sample, parser);

    QString error;
    if (!faults.read(parser, &error)) {
        PrintLine(stderr, QStringLiteral("ecu-sim: ") + error);
        return 2;
    }
    EcuSimulator simulator;
    faults.applyTo(simulator);

    const StopSignals stopSignals;
    if (!simulator.start()) {
        PrintLine(stderr, QStringLiteral("ecu-sim: cannot open a pseudo-terminal: %1").arg(simulator.errorString()));
        return 1;
    }
    PrintLine(stdout, simulator.portPath());
    const int shown = ShowFramesUntilStopped(simulator);
    PrintLine(stderr,
              QStringLiteral("ecu-sim: %1 frames received, %2 bytes skipped").arg(shown).arg(simulator.skippedBytes()));

    if (parser.isSet(saveHexOption) && !SaveMemory(simulator, parser.value(saveHexOption)))
        return 1;
    return 0;
}
