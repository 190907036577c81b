#include <QtTest>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTextEdit>

#include "app/norvane.h"
#include "ecusimulator.h"
#include "support/logpane.h"
#include "support/modalanswerer.h"
#include "support/unitbench.h"

// At 4800 baud a data frame spends 34 s on the wire, longer than one response wait.
class TestSlowLine : public QObject
{
    Q_OBJECT

private slots:
    void flashAt4800Baud();
};

void TestSlowLine::flashAt4800Baud()
{
    QTemporaryDir directory;
    UnitBench bench;
    QVERIFY(bench.start("4800"));
    bench.unit.setLineRate(4800);

    const QByteArray image = SampleImage(16384, 48);
    const QString path = directory.filePath("one.rom");
    QVERIFY(WriteRomFile(path, 0x80000, image));
    bench.window.romFilePath = path;
    bench.window.hexFileTextEdit->setPlainText(path);

    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    const QStringList lines = LogTexts(bench.window.progressTextEdit);
    QVERIFY2(lines.contains("[Flash Hanlder] Flash success"), qPrintable(lines.join(" | ")));
    QCOMPARE(lines.last(), QString("[Flash Hanlder] Reset success"));
    QCOMPARE(bench.unit.memory(0x80000, image.size()), image);

    // The frame alone outlasted a single response wait.
    const QVector<EcuSimulator::ReceivedFrame> frames = bench.unit.frames();
    QCOMPARE(ReceivedCommands(bench.unit), QByteArray::fromHex("101215161114"));
    QVERIFY(frames.at(3).atMs - frames.at(2).atMs > 20000);
}

QTEST_MAIN(TestSlowLine)
#include "tst_slowline.moc"
