#include <QApplication>
#include <QCommandLineParser>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "sampleimage.h"
#include "walkthrough.h"

namespace {

constexpr quint32 SAMPLE_ADDRESS = 0x80000;
constexpr int SAMPLE_SIZE = 256 * 1024;

// The window's log is what a user reads here; the tool's diagnostics and the platform's
// notices would bury it. Only real failures reach the terminal.
void KeepFailuresOnly(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

} // namespace

// Rehearses a flash without a unit: the tool's own window, wired to a simulated ECU.
int main(int argc, char *argv[])
{
    qInstallMessageHandler(KeepFailuresOnly);
    // Without a display the window is drawn offscreen, for the walk-through and its screenshots.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    application.setWindowIcon(QIcon(":/varnholt.svg"));
    QCommandLineParser parser;
    parser.setApplicationDescription("Starts the Varnholt window on a simulated ECU with a sample image.");
    parser.addHelpOption();
    parser.addOption({"walkthrough", "Play connect, Flash, Verify and Erase by itself and keep "
                                     "screenshots in <directory>; exit 0 only if all succeed.",
                      "directory"});
    parser.process(application);

    EcuSimulator unit;
    if (!unit.start()) {
        std::fprintf(stderr, "Cannot start the simulated ECU: %s\n", qPrintable(unit.errorString()));
        return 1;
    }

    const QByteArray sample = SampleImage(SAMPLE_SIZE);
    // The program may be installed read-only, so the sample lives in a folder of its own
    // that goes when the rehearsal ends.
    const QTemporaryDir sampleFolder(QDir::temp().absoluteFilePath("varnholt-rehearsal-XXXXXX"));
    const QString samplePath = sampleFolder.filePath("sample.rom");
    if (!sampleFolder.isValid() || !WriteRomFile(samplePath, SAMPLE_ADDRESS, sample)) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(samplePath));
        return 1;
    }

    Norvane window;
    window.comportComboBox->addItem(unit.portPath());
    window.comportComboBox->setCurrentText(unit.portPath());
    std::printf("Simulated ECU on %s\nSample image (%d bytes at 0x%X): %s\n", qPrintable(unit.portPath()),
                SAMPLE_SIZE, SAMPLE_ADDRESS, qPrintable(samplePath));
    std::fflush(stdout);
    window.show();

    if (!parser.isSet("walkthrough")) {
        window.romFilePath = QDir::toNativeSeparators(samplePath);
        window.hexFileTextEdit->setPlainText(window.romFilePath);
        return application.exec();
    }

    const QDir shots(parser.value("walkthrough"));
    if (!shots.mkpath(".")) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(shots.path()));
        return 1;
    }
    Walkthrough walkthrough(window, unit, samplePath, SAMPLE_ADDRESS, sample, shots);
    const bool succeeded = walkthrough.run();
    std::printf("%s\n", succeeded ? "Walk-through succeeded: Flash, Verify and Erase"
                                  : "Walk-through FAILED");
    return succeeded ? 0 : 1;
}
