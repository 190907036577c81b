#include <QtTest>

#include <chrono>
#include <memory>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "support/logpane.h"
#include "support/modalanswerer.h"
#include "support/modemlinerecorder.h"
#include "support/progresswatch.h"
#include "support/unitbench.h"

namespace {

constexpr int LONGEST_ALLOWED_STALL_MS = 100;
constexpr int BOX_OPEN_MS = 3000;

// Same clock as the simulator's frame record.
qint64 SteadyMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The longest time the event loop went without running this timer.
class StallMeter
{
public:
    StallMeter()
    {
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &timer, [this] { longest = qMax(longest, sinceTick.restart()); });
        sinceTick.start();
        timer.start(5);
    }

    qint64 longestMs() const { return longest; }

private:
    QTimer timer;
    QElapsedTimer sinceTick;
    qint64 longest = 0;
};

} // namespace

// The window stays live while an operation waits, and nothing done in it holds the operation up.
class TestResponsiveness : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void timeOutKeepsTheWindowLive();
    void flashAfterAFailedVerify();
    void userActionsMidFlash_data();
    void userActionsMidFlash();

private:
    QByteArray chooseImage(int chunks);

    QTemporaryDir directory;
    std::unique_ptr<UnitBench> bench;
};

void TestResponsiveness::init()
{
    bench = std::make_unique<UnitBench>();
    QVERIFY(bench->start());
    const QString port = bench->unit.portPath();
    bench->unit.setJumpGate([port](qint64 sinceMs) { return ModemLineRecorder::resetPulseSince(port, sinceMs); });
    bench->unit.setLineRate(115200);
}

void TestResponsiveness::cleanup()
{
    bench.reset();
}

QByteArray TestResponsiveness::chooseImage(int chunks)
{
    const QByteArray image = SampleImage(chunks * 16384, chunks);
    const QString path = directory.filePath("image.rom");
    if (!WriteRomFile(path, 0x80000, image))
        return QByteArray();
    bench->window.romFilePath = path;
    bench->window.hexFileTextEdit->setPlainText(path);
    return image;
}

void TestResponsiveness::timeOutKeepsTheWindowLive()
{
    bench->unit.setCommandFault(0x10, NoAnswer());
    StallMeter meter;
    QElapsedTimer clock;
    clock.start();
    QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);

    // Pulse, settle and one full response wait: none of them cut short.
    QVERIFY(clock.elapsed() >= 100 + 2000 + 20000);
    QCOMPARE(LogTexts(bench->window.progressTextEdit).mid(1),
             QStringList({"Jump to boot loader: Port read timed out", "[Verify Hanlder] Jump to boot loader failed"}));
    QVERIFY2(meter.longestMs() < LONGEST_ALLOWED_STALL_MS, qPrintable(QString::number(meter.longestMs())));
}

void TestResponsiveness::flashAfterAFailedVerify()
{
    // Nothing has been written yet, so the unit refuses the Verify.
    StallMeter meter;
    QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);
    const QVector<LogLine> failure = LogLines(bench->window.progressTextEdit).mid(3);
    QCOMPARE(failure.size(), 2);
    QCOMPARE(failure.at(0).text, QString("Verify Application: Received verify failure response"));

    const QByteArray image = chooseImage(2);
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    const QVector<LogLine> lines = LogLines(bench->window.progressTextEdit);
    for (int i = 0; i < failure.size(); ++i) {
        QCOMPARE(lines.at(3 + i).text, failure.at(i).text);
        QCOMPARE(lines.at(3 + i).colour, LOG_RED);
    }
    QCOMPARE(lines.at(9).text, QString("[Flash Hanlder] Flashing.. 100%"));
    QCOMPARE(lines.at(9).colour, LOG_BLUE);
    QCOMPARE(lines.last().text, QString("[Flash Hanlder] Reset success"));
    QCOMPARE(bench->unit.memory(0x80000, image.size()), image);
    QVERIFY2(meter.longestMs() < LONGEST_ALLOWED_STALL_MS, qPrintable(QString::number(meter.longestMs())));
}

void TestResponsiveness::userActionsMidFlash_data()
{
    QTest::addColumn<bool>("closeWindow");
    QTest::newRow("Verify clicked") << false;
    QTest::newRow("window closed") << true;
}

// The refusal stays open for seconds while the frames go on at line speed.
void TestResponsiveness::userActionsMidFlash()
{
    QFETCH(bool, closeWindow);
    const QByteArray image = chooseImage(6);
    bench->window.show();
    bench->answerer.holdNextBoxOpen(BOX_OPEN_MS);

    qint64 openedAt = 0;
    qint64 closedAt = 0;
    bench->answerer.whileNextBoxOpen([&] {
        openedAt = SteadyMs();
        QObject::connect(qobject_cast<QDialog *>(QApplication::activeModalWidget()), &QDialog::finished,
                         [&closedAt] { closedAt = SteadyMs(); });
    });
    bool closed = false;
    ProgressWatch watch(bench->window.progressTextEdit);
    watch.onLine("[Flash Hanlder] Flashing.. 16%", [&] {
        // Queued, so it comes from the event loop as the user's input does.
        QTimer::singleShot(0, &bench->window, [&] {
            if (closeWindow)
                closed = bench->window.close();
            else
                QTest::mouseClick(bench->window.verifyButton, Qt::LeftButton);
        });
    });
    QTest::mouseClick(bench->window.flashButton, Qt::LeftButton);

    QCOMPARE(bench->answerer.texts(), QStringList{"Operation is in progress please wait.."});
    QVERIFY(closedAt - openedAt >= BOX_OPEN_MS);
    int framesWhileOpen = 0;
    for (const EcuSimulator::ReceivedFrame &frame : bench->unit.frames())
        if (frame.bytes.size() == 16396 && frame.atMs > openedAt && frame.atMs < closedAt)
            ++framesWhileOpen;
    // A frame takes 1.42 s on the line at 115200 baud.
    QVERIFY2(framesWhileOpen >= 2, qPrintable(QString::number(framesWhileOpen)));
    QCOMPARE(LogTexts(bench->window.progressTextEdit).last(), QString("[Flash Hanlder] Reset success"));
    QCOMPARE(bench->unit.memory(0x80000, image.size()), image);

    QVERIFY(!closed);
    QVERIFY(bench->window.isVisible());
    if (closeWindow)
        QVERIFY(bench->window.close());
}

QTEST_MAIN(TestResponsiveness)
#include "tst_responsiveness.moc"
