#include <QtTest>

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>

#include <zlib.h>

#include "sim/ecusimulator.h"
#include "sim/sampleimage.h"

namespace {

// The fixed waits of a flash, on a loaded machine.
constexpr int RUN_BOUND_MS = 60000;

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run RunProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(RUN_BOUND_MS))
        return {-1, QString(), program + " did not end within 60 s"};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QString Hex8(quint32 value)
{
    return QString::number(value, 16).toUpper().rightJustified(8, '0');
}

// What varnholt-cli check prints of an image, up to its time on the wire, and its digest.
void ExpectChecked(const QString &path, quint32 address, const QByteArray &image)
{
    const Run check = RunProgram(VARNHOLT_CLI, {"check", path});
    QVERIFY2(check.status == 0, qPrintable(check.err));
    const auto crc = crc32(0, reinterpret_cast<const Bytef *>(image.constData()), uInt(image.size()));
    const QString summary = QString("%1: CRC-32 %2, 0x%3 to 0x%4, %5 bytes, ")
                                .arg(path, Hex8(quint32(crc)), Hex8(address), Hex8(address + image.size() - 1))
                                .arg(image.size());
    QVERIFY2(check.out.startsWith(summary), qPrintable(check.out));
    QVERIFY(
        check.out.endsWith("SHA-256 " + QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex() + "\n"));
}

QByteArray Record(quint8 type, quint16 offset, const QByteArray &data)
{
    QByteArray bytes = char(data.size()) + QByteArray(1, char(offset >> 8)) + char(offset) + char(type) + data;
    quint8 sum = 0;
    for (char byte : bytes)
        sum -= quint8(byte);
    return ':' + (bytes + char(sum)).toHex().toUpper() + "\r\n";
}

// As objcopy writes an image below 1 MiB: extended segment records, 64 KiB apart.
QByteArray SegmentedHex(quint32 address, const QByteArray &image)
{
    QByteArray hex;
    for (int at = 0; at < image.size(); at += 16) {
        const quint32 where = address + quint32(at);
        if (at == 0 || where % 0x10000 == 0)
            hex +=
                Record(2, 0, QByteArray::fromHex(QByteArray::number(where >> 4 & 0xF000, 16).rightJustified(4, '0')));
        hex += Record(0, quint16(where), image.mid(at, 16));
    }
    return hex + Record(3, 0, QByteArray::fromHex("80000000")) + Record(1, 0, QByteArray());
}

} // namespace

// A new user's first file: ecu-sim writes it, and the built varnholt-cli takes it as it stands.
class TestSampleFile : public QObject
{
    Q_OBJECT

private slots:
    void samplesAreTakenAsTheyStand_data();
    void samplesAreTakenAsTheyStand();
    void unusableRequestsWriteNothing_data();
    void unusableRequestsWriteNothing();
    void objcopyImagesFlashWhereTheySay();

private:
    QTemporaryDir folder;
};

void TestSampleFile::samplesAreTakenAsTheyStand_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<quint32>("address");
    QTest::addColumn<int>("size");
    QTest::newRow("the default") << QStringList() << 0x80000u << 128 * 1024;
    QTest::newRow("odd size, decimal address")
        << QStringList({"--size", "100001", "--address", "4096"}) << 4096u << 100001;
    QTest::newRow("hex size across 64 KiB pages")
        << QStringList({"--size", "0x20010", "--address", "0x1FFF8"}) << 0x1FFF8u << 0x20010;
    QTest::newRow("the top of the address space")
        << QStringList({"--size", "16", "--address", "0xFFFFFFF0"}) << 0xFFFFFFF0u << 16;
}

void TestSampleFile::samplesAreTakenAsTheyStand()
{
    QFETCH(QStringList, options);
    QFETCH(quint32, address);
    QFETCH(int, size);
    const QString path = folder.filePath(QString(QTest::currentDataTag()).replace(' ', '-') + ".rom");

    const Run write = RunProgram(ECU_SIM, QStringList({"--write-sample", path}) + options);
    QVERIFY2(write.status == 0, qPrintable(write.err));
    ExpectChecked(path, address, SampleImage(size));
}

void TestSampleFile::unusableRequestsWriteNothing_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    const QString path = folder.filePath("refused.rom");
    const QStringList sample{"--write-sample", path};
    for (const char *name : {"sample.hex", "sample.ROM"})
        QTest::newRow(name) << QStringList({"--write-sample", folder.filePath(name)}) << 2
                            << "the sample's name must end in \".rom\": " + folder.filePath(name);
    QTest::newRow("no bytes") << sample + QStringList({"--size", "0"}) << 2
                              << "--size must be 1 to 268435456 bytes (256 MiB), the most the tool takes";
    QTest::newRow("a byte over 256 MiB") << sample + QStringList({"--size", "268435457"}) << 2
                                         << "--size must be 1 to 268435456 bytes (256 MiB), the most the tool takes";
    QTest::newRow("a size in words") << sample + QStringList({"--size", "12k"}) << 2
                                     << "--size is not a number of bytes: 12k";
    QTest::newRow("an address past 32 bits") << sample + QStringList({"--address", "0x100000000"}) << 2
                                             << "--address must be below 0x100000000: 0x100000000";
    QTest::newRow("a byte past the top") << sample + QStringList({"--size", "17", "--address", "0xFFFFFFF0"}) << 2
                                         << "17 bytes at 0xFFFFFFF0 run past address 0xFFFFFFFF";
    QTest::newRow("a size alone") << QStringList({"--size", "16"}) << 2
                                  << "--size and --address go with --write-sample";
    const QString unwritable = folder.filePath("no-such-folder/sample.rom");
    QTest::newRow("a folder that is not there") << QStringList({"--write-sample", unwritable}) << 1
                                                << "cannot write " + unwritable + ": No such file or directory";
}

void TestSampleFile::unusableRequestsWriteNothing()
{
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, message);
    const QStringList before = QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    const Run write = RunProgram(ECU_SIM, options);
    QCOMPARE(write.status, status);
    QCOMPARE(write.err, "ecu-sim: " + message + "\n");
    QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
}

// Segment addresses count in 16-byte steps: a file read as linear would land 0x70000 too low.
void TestSampleFile::objcopyImagesFlashWhereTheySay()
{
    constexpr quint32 address = 0x8FFE0;
    const QByteArray image = SampleImage(3 * 16384 + 48, 5);
    const QString path = folder.filePath("objcopy.rom");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(SegmentedHex(address, image)) > 0);
    file.close();
    ExpectChecked(path, address, image);

    EcuSimulator unit;
    QVERIFY(unit.start());
    const Run flash = RunProgram(VARNHOLT_CLI, {"flash", path, "--port", unit.portPath()});
    QVERIFY2(flash.status == 0, qPrintable(flash.err + flash.out));
    QCOMPARE(unit.memory(address, image.size()), image);
}

QTEST_GUILESS_MAIN(TestSampleFile)
#include "tst_samplefile.moc"
