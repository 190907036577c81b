// Whole flashes by varnholt-cli, whose unit processes run the window's code: the peak
// memory of one that flashes a 256 KiB and one that flashes a 16 MiB image, each a fresh
// process, so that neither the other image nor the unit's copy is counted; and one image
// flashed into 1, 2 and 4 units at once, each line paced to 115200 baud, against one unit.

#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>

#include "benchsupport.h"
#include "sampleimage.h"

namespace {

constexpr int KIB = 1024;
// Flash holds the checked image in memory: 16 MiB of image and little besides.
constexpr qint64 TARGET_GROWTH_KIB = 64 * 1024;
constexpr int PACED_IMAGE_SIZE = 256 * KIB;
constexpr int MOST_UNITS = 4;
constexpr int FLASH_BOUND_MS = 180000;

// The largest peak among this program's ended children and theirs: the unit processes.
qint64 ChildrenPeakKib()
{
    rusage usage{};
    return getrusage(RUSAGE_CHILDREN, &usage) == 0 ? usage.ru_maxrss : -1;
}

} // namespace

class BenchCliFlashes : public QObject
{
    Q_OBJECT

private slots:
    // Smaller first: the children's peak only ever grows.
    void memory()
    {
        const auto mib = [](qint64 kib) { return Figure(kib / 1024.0, 2, "MiB"); };
        QVector<qint64> peakKib;
        for (int sizeKib : {256, 16 * KIB}) {
            const QString romPath = folder.filePath(QString("image-%1KiB.rom").arg(sizeKib));
            QVERIFY(WriteRomFile(romPath, BENCH_ADDRESS, SampleImage(sizeKib * KIB, sizeKib)));
            EcuSimulator unit;
            QVERIFY2(unit.start() && CliFlashSeconds(romPath, {unit.portPath()}, FLASH_BOUND_MS) > 0, "the flash failed");
            peakKib.append(ChildrenPeakKib());
            Report(QString("%1 KiB image, peak of the unit process").arg(sizeKib), mib(peakKib.last()));
        }
        const qint64 growthKib = peakKib.at(1) - peakKib.at(0);
        Report("peak growth, 16 MiB flash over 256 KiB flash", mib(growthKib), "< " + mib(TARGET_GROWTH_KIB),
               growthKib < TARGET_GROWTH_KIB);
    }

    void unitsAtOnce_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("target");
        QTest::newRow("1 unit") << 1 << 0.0;
        QTest::newRow("2 units") << 2 << 1.15;
        QTest::newRow("4 units") << MOST_UNITS << 1.1;
    }

    void unitsAtOnce()
    {
        QFETCH(int, count);
        QFETCH(double, target);
        const QString romPath = folder.filePath("paced.rom");
        const QByteArray image = SampleImage(PACED_IMAGE_SIZE, count);
        QVERIFY(WriteRomFile(romPath, BENCH_ADDRESS, image));
        EcuSimulator units[MOST_UNITS];
        QStringList ports;
        for (int i = 0; i < count; ++i) {
            units[i].setLineRate(BENCH_BAUD);
            QVERIFY(units[i].start());
            ports << units[i].portPath();
        }
        const double seconds = CliFlashSeconds(romPath, ports, FLASH_BOUND_MS);
        QVERIFY2(seconds > 0, "the flash failed");
        for (int i = 0; i < count; ++i)
            QVERIFY2(units[i].memory(BENCH_ADDRESS, image.size()) == image, "a unit does not hold the image");
        Report(QString("256 KiB into %1 at once").arg(QTest::currentDataTag()), Figure(seconds, 3, "s"));
        if (count == 1)
            oneUnitS = seconds;
        else
            Report("  against 1 unit", Figure(seconds / oneUnitS, 3), "<= " + Figure(target, 2),
                   seconds / oneUnitS <= target);
    }

private:
    QTemporaryDir folder;
    double oneUnitS = 0;
};

QTEST_MAIN(BenchCliFlashes)
#include "cliflashes.moc"
