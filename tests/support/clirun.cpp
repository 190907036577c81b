#include "support/clirun.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>

#include "sim/sampleimage.h"

CliRun RunCli(const QStringList &arguments, const QProcessEnvironment &environment)
{
    QProcess cli;
    if (!environment.isEmpty())
        cli.setProcessEnvironment(environment);
    cli.start(VARNHOLT_CLI, arguments);
    if (!cli.waitForFinished(CLI_RUN_BOUND_MS)) {
        cli.kill();
        cli.waitForFinished(CLI_RUN_BOUND_MS);
        return {-1, QString(), "varnholt-cli did not end within 90 s"};
    }
    return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
            QString::fromUtf8(cli.readAllStandardOutput()), QString::fromUtf8(cli.readAllStandardError())};
}

QVector<QJsonObject> RecordLines(const QString &path)
{
    QFile file(path);
    QVector<QJsonObject> lines;
    if (!file.open(QIODevice::ReadOnly))
        return lines;
    const QByteArray text = file.readAll();
    for (const QByteArray &line : text.split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonDocument json = QJsonDocument::fromJson(line);
        if (!json.isObject())
            return QVector<QJsonObject>();
        lines.append(json.object());
    }
    return text.isEmpty() || text.endsWith('\n') ? lines : QVector<QJsonObject>();
}

CliFiles::CliFiles(int imageSize, int seed)
    : image(SampleImage(imageSize, seed))
    , romPath(folder.filePath("image.rom"))
    , recordPath(folder.filePath("record.jsonl"))
    , romWritten(WriteRomFile(romPath, ROM_ADDRESS, image))
{ }
