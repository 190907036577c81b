#include "benchsupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QtDebug>

#include <algorithm>

#include <sys/times.h>
#include <unistd.h>

BenchUnit::BenchUnit()
{
    QLoggingCategory::setFilterRules("default.debug=false");
    window.show();
}

bool BenchUnit::start()
{
    unit.setLineRate(FAST_LINE_BAUD);
    return unit.start() && ConnectOverFastLine(driver, window, unit.portPath());
}

bool ConnectOverFastLine(WindowDriver &driver, Norvane &window, const QString &port)
{
    return driver.connectTo(port, QString::number(BENCH_BAUD)) && window.serialPort->setBaudRate(FAST_LINE_BAUD);
}

constexpr int SAMPLE_MS = 200;

// What the process and its children hold in memory now, in KiB.
static qint64 ResidentKib(qint64 parent)
{
    qint64 pages = 0;
    for (const QString &pid : QDir("/proc").entryList({"[1-9]*"}, QDir::Dirs)) {
        QFile stat("/proc/" + pid + "/stat"); // pid (name) state parent ..., the resident pages 24th
        const QList<QByteArray> fields =
            stat.open(QIODevice::ReadOnly) ? stat.readAll().split(')').last().split(' ') : QList<QByteArray>();
        if (pid.toLongLong() == parent || fields.value(2).toLongLong() == parent)
            pages += fields.value(22).toLongLong();
    }
    return pages * sysconf(_SC_PAGESIZE) / 1024;
}

static double ChildrenCpuSeconds()
{
    tms times{};
    return ::times(&times) == clock_t(-1) ? 0 : double(times.tms_cutime + times.tms_cstime) / sysconf(_SC_CLK_TCK);
}

// The units' processes are the command line's children; their memory is taken together
// every SAMPLE_MS, and held steady while the image goes out.
CliFlash RunCliFlash(const QString &romPath, const QStringList &ports, int boundMs)
{
    QStringList arguments{"flash", romPath};
    for (const QString &port : ports)
        arguments << "--port" << port;
    QProcess cli;
    cli.setStandardOutputFile(QProcess::nullDevice());
    cli.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const double cpuBefore = ChildrenCpuSeconds();
    CliFlash flash{-1, 0, 0};
    QElapsedTimer timer;
    timer.start();
    cli.start(VARNHOLT_CLI, arguments);
    while (!cli.waitForFinished(SAMPLE_MS) && timer.elapsed() < boundMs)
        flash.peakKib = qMax(flash.peakKib, ResidentKib(cli.processId()));
    if (cli.state() == QProcess::NotRunning && cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0)
        flash.seconds = timer.nsecsElapsed() / 1e9;
    flash.cpuSeconds = ChildrenCpuSeconds() - cpuBefore;
    return flash;
}

double Median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

QString Figure(double value, int decimals, const QString &unit)
{
    return QString::number(value, 'f', decimals) + (unit.isEmpty() ? "" : " " + unit);
}

void Report(const QString &measure, const QString &value, const QString &target, bool met)
{
    QString line = measure + ": " + value;
    if (!target.isEmpty())
        line += QString("  (target %1: %2)").arg(target, met ? "PASS" : "MISS");
    qInfo().noquote() << line;
}
