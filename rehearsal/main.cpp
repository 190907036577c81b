#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>

#include "app/norvane.h"
#include "driver/failuresonly.h"
#include "driver/windowdriver.h"
#include "rehearsal/cleanexit.h"
#include "rehearsal/walkthrough.h"
#include "rom/chunklayout.h"
#include "rom/imagesummary.h"
#include "sim/ecusimulator.h"
#include "sim/faultoptions.h"
#include "sim/sampleimage.h"

namespace {

constexpr quint32 SAMPLE_ADDRESS = 0x80000;
// Eight frames: the progress line visibly counts up, and a walk-through at the window's
// 115200 baud stays under half a minute.
constexpr int SAMPLE_SIZE = 128 * 1024;
// A rate given with --baud adds the sample's time on the wire, given twice over.
constexpr int WALKTHROUGH_BOUND_MS = 120 * 1000;
constexpr int SAMPLE_FRAMES = SAMPLE_SIZE / CHUNK_SIZE;
const char *const TITLE_SUFFIX = QT_TRANSLATE_NOOP("Rehearsal", " — rehearsal on a simulated ECU");

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool DrawsOffscreen()
{
    const QString platform = QGuiApplication::platformName();
    return platform == "offscreen" || platform == "minimal";
}

int WalkThrough(Norvane &window, EcuSimulator &unit, const QString &samplePath, const QByteArray &sample,
                const QString &shotsPath, int baudRate, CleanExit &exit)
{
    const QDir shots(shotsPath);
    if (!shots.mkpath(".")) {
        std::fprintf(stderr, "Cannot create %s\n", qPrintable(shots.path()));
        return 1;
    }
    Walkthrough walkthrough(window, unit, samplePath, SAMPLE_ADDRESS, sample, shots);
    exit.watchdog(WALKTHROUGH_BOUND_MS + 2 * ImageWireTimeMs(SAMPLE_FRAMES, baudRate), walkthrough.currentStep());
    const bool succeeded = walkthrough.run();
    std::printf("%s\n", succeeded ? "Walk-through succeeded: Flash, Verify and Erase" : "Walk-through FAILED");
    return succeeded ? 0 : 1;
}

// -1 when the rehearsal can go on; otherwise the status to exit with.
int ReadOptions(QApplication &application, QCommandLineParser &parser, FaultOptions &faults)
{
    parser.setApplicationDescription("Starts the Varnholt window on a simulated ECU with a sample image.\n"
                                     "--silent, --fail and --hang-up-after make the unit fail as a real one can;\n"
                                     "--baud paces its line, and chooses that rate in the window.");
    parser.addHelpOption();
    parser.addOption({"walkthrough",
                      "Play connect, Flash, Verify and Erase by itself and keep "
                      "screenshots in <directory>; exit 0 only if all succeed.",
                      "directory"});
    faults.addTo(parser);
    parser.process(application);
    QString error;
    if (!faults.read(parser, &error)) {
        std::fprintf(stderr, "varnholt-rehearsal: %s\n", qPrintable(error));
        return 2;
    }
    if (!parser.isSet("walkthrough") && DrawsOffscreen()) {
        std::fprintf(stderr,
                     "No display is available ($DISPLAY and $WAYLAND_DISPLAY are unset), so the window "
                     "cannot be shown.\nTo rehearse without one: varnholt-rehearsal --walkthrough <directory>\n");
        return 2;
    }
    return -1;
}

// The tool's own window, told apart from it by its title, with the unit's port chosen and,
// on a paced line, its rate.
void ShowOnUnit(Norvane &window, const EcuSimulator &unit, int baudRate)
{
    window.setWindowTitle(window.windowTitle() + QCoreApplication::translate("Rehearsal", TITLE_SUFFIX));
    window.comportComboBox->addItem(unit.portPath());
    window.comportComboBox->setCurrentText(unit.portPath());
    if (baudRate > 0)
        window.baudrateComboBox->setCurrentText(QString::number(baudRate));
    window.show();
}

} // namespace

// Rehearses a flash without a unit: the tool's own window, wired to a simulated ECU.
int main(int argc, char *argv[])
{
    ShowFailuresOnly();
    // Without a display the window is drawn offscreen, for the walk-through and its screenshots.
    if (!HasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    application.setWindowIcon(QIcon(":/varnholt.svg"));
    QCommandLineParser parser;
    FaultOptions faults;
    const int refused = ReadOptions(application, parser, faults);
    if (refused >= 0)
        return refused;
    EcuSimulator unit;
    faults.applyTo(unit);
    if (!unit.start()) {
        std::fprintf(stderr, "Cannot start the simulated ECU: %s\n", qPrintable(unit.errorString()));
        return 1;
    }
    const QByteArray sample = SampleImage(SAMPLE_SIZE);
    // The program may be installed read-only, so the sample lives in a folder of its own
    // that goes when the rehearsal ends.
    QTemporaryDir sampleFolder(QDir::temp().absoluteFilePath("varnholt-rehearsal-XXXXXX"));
    const QString samplePath = sampleFolder.filePath("sample.rom");
    if (!sampleFolder.isValid() || !WriteRomFile(samplePath, SAMPLE_ADDRESS, sample)) {
        std::fprintf(stderr, "Cannot write %s\n", qPrintable(samplePath));
        return 1;
    }
    const bool walkingThrough = parser.isSet("walkthrough");
    // A walk-through must not depend on what other Qt programs left in the user's settings.
    if (walkingThrough)
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, sampleFolder.filePath("settings"));
    CleanExit exit(sampleFolder, unit);
    exit.onSignals();

    Norvane window;
    std::printf("Simulated ECU on %s\nSample image (%d bytes at 0x%X): %s\n", qPrintable(unit.portPath()), SAMPLE_SIZE,
                SAMPLE_ADDRESS, qPrintable(samplePath));
    std::fflush(stdout);
    ShowOnUnit(window, unit, faults.baudRate());
    if (walkingThrough)
        return WalkThrough(window, unit, samplePath, sample, parser.value("walkthrough"), faults.baudRate(), exit);

    WindowDriver(window).chooseRomFile(samplePath);
    return application.exec();
}
