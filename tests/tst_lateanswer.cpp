#include <QtTest>

#include <QSerialPort>
#include <QTextEdit>

#include "app/norvane.h"
#include "rom/romimage.h"
#include "ecusimulator.h"
#include "support/logpane.h"
#include "support/modalanswerer.h"
#include "support/unitbench.h"

// The response wait counts from the moment the frame has left, not from the write.
class TestLateAnswer : public QObject
{
    Q_OBJECT

private slots:
    void answerAfterTheFrameLeft_data();
    void answerAfterTheFrameLeft();
};

void TestLateAnswer::answerAfterTheFrameLeft_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("result");
    // Both are at least a second away from the wait's end at 115200 baud (1.42 s + 20 s).
    QTest::newRow("19 s after the frame left") << 19000 << int(Success);
    QTest::newRow("22.5 s after the frame left") << 22500 << int(ReadTimedOut);
}

void TestLateAnswer::answerAfterTheFrameLeft()
{
    QFETCH(int, delayMs);
    QFETCH(int, result);

    UnitBench bench;
    QVERIFY(bench.start("115200"));
    bench.unit.setLineRate(115200);

    const QByteArray image = SampleImage(16384, 19);
    EcuSimulator::Fault late;
    late.delayMs = delayMs;
    bench.unit.setDataFrameFault(0, late);

    QCOMPARE(bench.window.SendJumpToBootloader(), Success);
    QCOMPARE(bench.window.SendEraseApplication(), Success);
    QCOMPARE(int(bench.window.SendFlashApplication({0, image})), result);
    if (result == Success)
        QCOMPARE(bench.unit.memory(0, image.size()), image);
}

QTEST_MAIN(TestLateAnswer)
#include "tst_lateanswer.moc"
