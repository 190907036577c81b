#include <QtTest>

#include <QPushButton>
#include <QTemporaryDir>
#include <QTextEdit>

#include "support/logpane.h"
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
    bench.window.romFilePath = directory.filePath("one.rom");
    bench.window.hexFileTextEdit->setPlainText(bench.window.romFilePath);
    QVERIFY(WriteRomFile(bench.window.romFilePath, 0x80000, image));

    QTest::mouseClick(bench.window.flashButton, Qt::LeftButton);

    QCOMPARE(LogTexts(bench.window.progressTextEdit).last(), QString("[Flash Hanlder] Reset success"));
    QCOMPARE(bench.unit.memory(0x80000, image.size()), image);
    QCOMPARE(ReceivedCommands(bench.unit), QByteArray::fromHex("101215161114"));
    QVERIFY(bench.unit.frames().at(3).atMs - bench.unit.frames().at(2).atMs > 20000);
}

QTEST_MAIN(TestSlowLine)
#include "tst_slowline.moc"
