#include <QtTest>

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSerialPort>

#include <sys/stat.h>
#include <zlib.h>

#include "app/version.h"
#include "sim/ecusimulator.h"
#include "support/clirun.h"

namespace {

QDateTime RecordTime(const QJsonValue &value)
{
    const QString text = value.toString();
    return QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$)").match(text).hasMatch()
        ? QDateTime::fromString(text, Qt::ISODateWithMs)
        : QDateTime();
}

QString ZlibCrc32(const QByteArray &bytes)
{
    const auto crc = crc32(0, reinterpret_cast<const Bytef *>(bytes.constData()), uInt(bytes.size()));
    return QString::number(crc, 16).toUpper().rightJustified(8, '0');
}

// One line of the record, field by field, against what the test itself knows.
void CheckRecord(const QJsonObject &record, const QString &port, const QString &file, const QByteArray &image,
                 const QString &result, const QJsonValue &failedStep)
{
    QCOMPARE(record.value("version").toString(), QString(VARNHOLT_VERSION));
    QCOMPARE(record.value("operation").toString(), QString("flash"));
    QCOMPARE(record.value("port").toString(), port);
    QCOMPARE(record.value("baud").toInt(), 115200);
    QCOMPARE(record.value("file").toString(), file);
    const QJsonObject summary = record.value("image").toObject();
    QCOMPARE(summary.value("first").toDouble(), double(ROM_ADDRESS));
    QCOMPARE(summary.value("last").toDouble(), double(ROM_ADDRESS + image.size() - 1));
    QCOMPARE(summary.value("size").toDouble(), double(image.size()));
    QCOMPARE(summary.value("crc32").toString(), ZlibCrc32(image));
    QCOMPARE(summary.value("sha256").toString(),
             QString(QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex()));
    const QDateTime started = RecordTime(record.value("started"));
    const QDateTime finished = RecordTime(record.value("finished"));
    QVERIFY(started.isValid() && finished >= started);
    QCOMPARE(record.value("duration_s").toDouble(), started.msecsTo(finished) / 1000.0);
    QCOMPARE(record.value("result").toString(), result);
    QCOMPARE(record.value("failed_step"), failedStep);
}

// "kind: text" of the log's line this far from its end: 1 is the last.
QString LogLine(const QJsonObject &record, int fromEnd)
{
    const QJsonArray log = record.value("log").toArray();
    const QJsonObject line = log.at(log.size() - fromEnd).toObject();
    return line.value("kind").toString() + ": " + line.value("text").toString();
}

} // namespace

// varnholt-cli run as a script runs it, against simulated units: what each unit holds, what
// crossed each line, the exit status, the output and the record.
class TestCli : public QObject, private CliFiles
{
    Q_OBJECT

public:
    TestCli()
        : CliFiles(4 * 16384, 9)
    { }

private slots:
    void initTestCase();
    void twoUnitsFlashedAtOnce();
    void failingUnitsLeaveTheOthersAlone();
    void refusedBeforeAnyUnitIsTouched_data();
    void refusedBeforeAnyUnitIsTouched();
    void checkSumsTheImageUp();
};

void TestCli::initTestCase()
{
    QVERIFY(romWritten);
    // The same file with the last digit of line 3's checksum changed.
    QFile good(romPath), bad(folder.filePath("bad.rom"));
    QVERIFY(good.open(QIODevice::ReadOnly) && bad.open(QIODevice::WriteOnly));
    QList<QByteArray> lines = good.readAll().split('\n');
    lines[2].back() = lines[2].back() == '0' ? '1' : '0';
    QVERIFY(bad.write(lines.join('\n')) > 0);
    QFile corrupt(folder.filePath("corrupt.sqlite"));
    QVERIFY(corrupt.open(QIODevice::WriteOnly) && corrupt.write(QByteArray(8192, 'v')) == 8192);
    QVERIFY(QDir().mkpath(folder.filePath("folder.d")));
    for (const char *name : {"fifo.jsonl", "fifo.rom"})
        QCOMPARE(::mkfifo(QFile::encodeName(folder.filePath(name)).constData(), 0600), 0);
}

void TestCli::twoUnitsFlashedAtOnce()
{
    EcuSimulator first, second;
    QVERIFY(first.start() && second.start());
    const CliRun run = RunCli({"flash", romPath, "--port", first.portPath(), "--port", second.portPath()});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    for (EcuSimulator *unit : {&first, &second}) {
        QCOMPARE(unit->memory(ROM_ADDRESS, image.size()), image);
        QVERIFY2(QRegularExpression("^\\S+Z " + QRegularExpression::escape(unit->portPath())
                                        + " \\[Flash Hanlder\\] Reset success$",
                                    QRegularExpression::MultilineOption)
                     .match(run.out)
                     .hasMatch(),
                 qPrintable(run.out));
    }
    // At once: each unit had its first frame before the other had its last.
    const auto firstFrames = first.frames(), secondFrames = second.frames();
    QVERIFY(firstFrames.first().atMs < secondFrames.last().atMs && secondFrames.first().atMs < firstFrames.last().atMs);
    // Their record lines: see failingUnitsLeaveTheOthersAlone.
}

// A silent unit, a port that does not exist and one that another program holds.
void TestCli::failingUnitsLeaveTheOthersAlone()
{
    EcuSimulator good, silent, held;
    silent.setCommandFault(0x12, EcuSimulator::Fault::noAnswer());
    QVERIFY(good.start() && silent.start() && held.start());
    QSerialPort holder(held.portPath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    const QString missing = folder.filePath("no-such-port");
    QFile::remove(recordPath);

    const CliRun run = RunCli({"flash", romPath, "--json", "--record", recordPath, "--port", good.portPath(), "--port",
                               silent.portPath(), "--port", missing, "--port", held.portPath()});
    QCOMPARE(run.status, 1);
    QCOMPARE(good.memory(ROM_ADDRESS, image.size()), image);
    QCOMPARE(silent.receivedCommands(), QByteArray::fromHex("1012"));
    QVERIFY(held.frames().isEmpty());

    const QVector<QJsonObject> record = RecordLines(recordPath);
    QCOMPARE(record.size(), 4);
    // --json ends with one object a unit, in the order of the ports, laid out like the record.
    const QStringList out = run.out.trimmed().split('\n');
    // Every line an event; a unit's status only when it changes, never empty.
    QHash<QString, QString> statuses;
    for (const QString &line : out) {
        const QJsonObject event = QJsonDocument::fromJson(line.toUtf8()).object();
        QVERIFY2(!event.value("event").toString().isEmpty(), qPrintable(line));
        if (event.value("event").toString() != "status")
            continue;
        QString &status = statuses[event.value("port").toString()];
        QVERIFY2(!event.value("text").toString().isEmpty() && event.value("text").toString() != status,
                 qPrintable(line));
        status = event.value("text").toString();
    }
    QStringList ports;
    for (int i = 0; i < 4; ++i) {
        QJsonObject final = QJsonDocument::fromJson(out.at(out.size() - 4 + i).toUtf8()).object();
        QCOMPARE(final.take("event").toString(), QString("record"));
        QVERIFY(record.contains(final));
        ports << final.value("port").toString();
    }
    QCOMPARE(ports, QStringList({good.portPath(), silent.portPath(), missing, held.portPath()}));
    for (const QJsonObject &line : record) {
        const QString port = line.value("port").toString();
        if (port == good.portPath()) {
            CheckRecord(line, port, romPath, image, "success", QJsonValue());
            QCOMPARE(LogLine(line, 1), QString("info: [Flash Hanlder] Reset success"));
        } else if (port == silent.portPath()) {
            CheckRecord(line, port, romPath, image, "failed",
                        "Erase Application: Port read timed out / [Flash Hanlder] Erase failed");
            QCOMPARE(LogLine(line, 2), QString("error: Erase Application: Port read timed out"));
        } else {
            const QString reason = port == missing ? "No such file or directory" : "another program has the port open";
            CheckRecord(line, port, romPath, image, "failed", line.value("failed_step"));
            QVERIFY2(line.value("failed_step").toString().contains(reason),
                     qPrintable(line.value("failed_step").toString()));
        }
    }
}

void TestCli::refusedBeforeAnyUnitIsTouched_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("recordLines");

    QTest::newRow("a record with a bad checksum")
        << QStringList{"flash", "bad.rom"} << "line 3: wrong record checksum" << 2;
    QTest::newRow("a file without .rom") << QStringList{"flash", "image.hex"} << "does not end in \".rom\"" << 2;
    QTest::newRow("a missing file") << QStringList{"flash", "gone.rom"} << "refused: file not found" << 2;
    QTest::newRow("a rate the window lacks")
        << QStringList{"erase", "--baud", "14400"} << "not one of the window's rates" << 0;
    QTest::newRow("the same port twice") << QStringList{"verify", "--port", "@first"} << "is named twice" << 0;
    QTest::newRow("the same port under a link") << QStringList{"verify", "--port", "@link"} << "is named twice" << 0;
    QTest::newRow("the same port under a second device node")
        << QStringList{"verify", "--port", "@node"} << "is named twice" << 0;
    QTest::newRow("retries past the most") << QStringList{"erase", "--retries", "11"} << "--retries 11" << 0;
    QTest::newRow("an unknown option") << QStringList{"erase", "--force"} << "Unknown option 'force'" << 0;
    QTest::newRow("an unknown command") << QStringList{"program", "image.rom"} << "unknown command \"program\"" << 0;
    // A FIFO's open would wait for a writer, deaf to Ctrl-C.
    QTest::newRow("a FIFO as the record")
        << QStringList{"flash", "image.rom", "--record", "fifo.jsonl"} << "not a regular file" << 0;
    QTest::newRow("a folder as the record")
        << QStringList{"flash", "image.rom", "--record", "folder.d"} << "not a regular file" << 0;
    QTest::newRow("a device as the record")
        << QStringList{"flash", "image.rom", "--record", "/dev/null"} << "not a regular file" << 0;
    QTest::newRow("a FIFO as the file") << QStringList{"flash", "fifo.rom"} << "not a regular file" << 2;
    QTest::newRow("a unit on a port not given") << QStringList{"flash", "image.rom", "--unit", "/dev/nowhere=SN1"}
                                                << "the port /dev/nowhere is not among the --port options" << 0;
    QTest::newRow("one unit on two ports")
        << QStringList{"flash", "image.rom", "--unit", "@first=SN1", "--unit", "@second=SN1"}
        << "the unit SN1 is given for two ports" << 0;
    QTest::newRow("an id too long") << QStringList{"flash", "image.rom", "--unit", "@first=" + QString(65, 'x')}
                                    << "1 to 64 printable characters" << 0;
    QTest::newRow("--no-db with --db") << QStringList{"flash", "image.rom", "--no-db", "--db", "x.sqlite"}
                                       << "do not go together" << 0;
    QTest::newRow("a corrupt database") << QStringList{"flash", "image.rom", "--db", "corrupt.sqlite"}
                                        << "file is not a database" << 0;
    QTest::newRow("a folder for a database")
        << QStringList{"flash", "image.rom", "--db", "folder.d"} << "it is not a file" << 0;
    QTest::newRow("a folder that cannot be made")
        << QStringList{"flash", "image.rom", "--db", "/proc/varnholt/records.sqlite"} << "cannot make its folder" << 0;
    QTest::newRow("an unreadable URL") << QStringList{"flash", "image.rom", "--db", "postgresql://host"}
                                       << "cannot read the server's URL" << 0;
}

// A device node of the test's own making with the port's numbers; empty where that is not allowed.
QString SecondDeviceNode(const QString &port, const QString &node)
{
    struct stat device { };
    QFile::remove(node);
    const bool made = ::stat(QFile::encodeName(port).constData(), &device) == 0
        && ::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0600, device.st_rdev) == 0;
    return made ? node : QString();
}

void TestCli::refusedBeforeAnyUnitIsTouched()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QFETCH(int, recordLines);

    EcuSimulator first, second;
    QVERIFY(first.start() && second.start());
    QFile::remove(recordPath);
    QFile::remove(folder.filePath("link"));
    QVERIFY(QFile::link(first.portPath(), folder.filePath("link")));
    for (QString &argument : arguments) {
        if (argument.contains('.') && !argument.contains('/'))
            argument = folder.filePath(argument);
        argument.replace("@first", first.portPath()).replace("@second", second.portPath());
        argument.replace("@link", folder.filePath("link"));
        if (argument == "@node")
            argument = SecondDeviceNode(first.portPath(), folder.filePath("node"));
    }
    if (arguments.contains(QString()))
        QSKIP("making a device node needs root");

    if (!arguments.contains("--record"))
        arguments << "--record" << recordPath;
    const CliRun run = RunCli(arguments + QStringList{"--port", first.portPath(), "--port", second.portPath()});
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(message) && run.err.count('\n') == 1, qPrintable(run.err));
    QVERIFY(first.frames().isEmpty() && second.frames().isEmpty());
    const QVector<QJsonObject> record = RecordLines(recordPath);
    QCOMPARE(record.size(), recordLines);
    for (const QJsonObject &line : record) {
        QCOMPARE(line.value("result").toString(), QString("refused"));
        QVERIFY(line.value("failed_step").toString().contains(message));
    }
}

void TestCli::checkSumsTheImageUp()
{
    const CliRun check = RunCli({"check", romPath, "--baud", "9600"});
    QCOMPARE(check.status, 0);
    QCOMPARE(check.out,
             QString("%1: CRC-32 %2, 0x00080000 to 0x0008FFFF, 65536 bytes, 4 data frames, 1:08 on the "
                     "wire at 9600 baud\nSHA-256 %3\n")
                 .arg(romPath, ZlibCrc32(image), QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex()));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
