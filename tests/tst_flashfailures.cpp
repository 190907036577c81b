#include <QtTest>

#include <QTemporaryDir>
#include <QTextEdit>

#include "support/logpane.h"
#include "support/unitbench.h"

// The unit's answer to each command code.
using UnitFaults = QMap<int, Fault>;

// A Flash goes on exactly as far as the unit's answers allow.
class TestFlashFailures : public QObject
{
    Q_OBJECT

private slots:
    void unitAnswersDecideHowFarItGoes_data();
    void unitAnswersDecideHowFarItGoes();

private:
    QTemporaryDir directory;
};

void TestFlashFailures::unitAnswersDecideHowFarItGoes_data()
{
    QTest::addColumn<UnitFaults>("faults");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QStringList>("lastLines");
    QTest::addColumn<bool>("failed");

    const QString refused = "Flash Application: Received flash failure response";
    const QString flashFailed = "[Flash Hanlder] Flash failed";
    QTest::newRow("Jump refused") << UnitFaults{{0x10, Fault::answerStatus(0)}} << "10"
        << QStringList{"Jump to boot loader: Received jump to bootloader failure response",
                       "[Flash Hanlder] Jump to boot loader failed"} << true;
    QTest::newRow("Erase refused") << UnitFaults{{0x12, Fault::answerStatus(0)}} << "1012"
        << QStringList{"Erase Application: Received erase failure response", "[Flash Hanlder] Erase failed"} << true;
    QTest::newRow("Flash start unanswered") << UnitFaults{{0x15, Fault::noAnswer()}} << "101215"
        << QStringList{"Flash Application: Port read timed out", flashFailed} << true;
    QTest::newRow("Flash start refused") << UnitFaults{{0x15, Fault::answerStatus(0)}} << "101215"
        << QStringList{"[Flash Hanlder] Flashing.. 0%", refused, flashFailed} << true;
    QTest::newRow("first frame's answer corrupt") << UnitFaults{{0x13, Fault::corruptChecksum()}} << "10121513"
        << QStringList{"Flash Application: Invalid response frame received", flashFailed} << true;
    QTest::newRow("last frame refused") << UnitFaults{{0x16, Fault::answerStatus(0x85)}} << "1012151316"
        << QStringList{"[Flash Hanlder] Flashing.. 50%", refused, flashFailed} << true;
    QTest::newRow("line lost at the last frame") << UnitFaults{{0x16, Fault::lineHangUp()}} << "1012151316"
        << QStringList{"[Flash Hanlder] Flashing.. 50%", "Flash Application: Port read timed out", flashFailed}
        << true;
    QTest::newRow("Verify refused") << UnitFaults{{0x11, Fault::answerStatus(0)}} << "101215131611"
        << QStringList{"Verify Application: Received verify failure response", "[Flash Hanlder] Verify failed"} << true;
    QTest::newRow("Reset refused") << UnitFaults{{0x14, Fault::answerStatus(0)}} << "10121513161114"
        << QStringList{"Reset ECU: Received reset failure response", "[Flash Hanlder] Reset failed"} << true;
    // Either status that means "chunk flashed" is taken for any frame.
    QTest::newRow("frames answered 0x86, then 0x83")
        << UnitFaults{{0x13, Fault::answerStatus(0x86)}, {0x16, Fault::answerStatus(0x83)}} << "10121513161114"
        << QStringList{"[Flash Hanlder] Reset success"} << false;
}

// Nothing is sent after a failed step, not even a reset.
void TestFlashFailures::unitAnswersDecideHowFarItGoes()
{
    QFETCH(UnitFaults, faults);
    QFETCH(QString, received);
    QFETCH(QStringList, lastLines);
    QFETCH(bool, failed);

    UnitBench bench;
    QVERIFY(bench.start());
    for (auto fault = faults.cbegin(); fault != faults.cend(); ++fault)
        bench.unit.setCommandFault(quint8(fault.key()), fault.value());
    const QString path = directory.filePath("two.rom");
    QVERIFY(WriteRomFile(path, 0x80000, SampleImage(2 * 16384)));
    bench.presetRomFile(path);
    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    const QStringList log = LogTexts(bench.window.progressTextEdit);
    QCOMPARE(log.mid(log.size() - lastLines.size()), lastLines);
    QCOMPARE(LogLines(bench.window.progressTextEdit).last().colour, failed ? LOG_RED : LOG_BLUE);
    QCOMPARE(QString(bench.unit.receivedCommands().toHex()), received);
    QVERIFY(!bench.window.busy);
    // The status bar ends with the last step and the time it all took, unless the line was lost.
    const QString status = bench.driver.statusText();
    if (faults.value(0x16).hangUp) {
        QCOMPARE(status, QString("The line was lost (adapter unplugged?)"));
        return;
    }
    const QString end = failed ? "Flash failed at [a-z]+" : "Flash succeeded";
    QVERIFY2(QRegularExpression("^" + end + " · \\d+:\\d\\d$").match(status).hasMatch(), qPrintable(status));
}

QTEST_MAIN(TestFlashFailures)
#include "tst_flashfailures.moc"
