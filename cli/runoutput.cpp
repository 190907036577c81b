#include "cli/runoutput.h"

#include <QDateTime>

#include "cli/unitprocess.h"
#include "cli/unitrecord.h"
#include "platform/system.h"
#include "rom/imagesummary.h"

namespace {

constexpr int TICK_MS = 500;
// Wider lines would wrap on a terminal of 80 columns and spoil the redraw.
constexpr int LIVE_LINE_WIDTH = 79;
const char *const CURSOR_UP = "\x1b[%1A";
const char *const CLEAR_LINE = "\r\x1b[2K";
const char *const NONE = "-";
const char *const ELLIPSIS = "\u2026";
// The table's failure column, so that a row fits a wide terminal.
constexpr int FAILURE_COLUMN_WIDTH = 72;

QString Now()
{
    return JsonTime(QDateTime::currentDateTimeUtc());
}

QString Duration(const UnitRecord &record)
{
    return DurationText(record.started.msecsTo(record.finished));
}

// A failure's cause comes first: cut from the end, it stays.
QString Shortened(const QString &text, int width)
{
    return text.size() <= width ? text : text.left(width - 1) + QString(ELLIPSIS);
}

QString Column(const QString &text, int width)
{
    return text.leftJustified(width);
}

QString Compact(const QJsonObject &object)
{
    return QString::fromUtf8(CompactJson(object));
}

} // namespace

void Print(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

void PrintLine(std::FILE *stream, const QString &line)
{
    Print(stream, line + '\n');
}

void PrintError(const QString &line)
{
    PrintLine(stderr, "varnholt-cli: " + line);
}

RunOutput::Mode RunOutput::modeFor(bool json)
{
    if (json)
        return Json;
    return IsTerminal(stdout) ? Live : Lines;
}

RunOutput::RunOutput(Mode mode, const QVector<UnitProcess *> &units)
    : mode(mode)
    , units(units)
{
    if (mode != Live)
        return;
    connect(&tick, &QTimer::timeout, this, &RunOutput::redraw);
    tick.start(TICK_MS);
}

void RunOutput::showEvent(const QJsonObject &event)
{
    switch (mode) {
    case Live:
        redraw();
        break;
    case Lines:
        // The status bar's own text changes every second; the live line shows it.
        if (event.value(Key::EVENT).toString() == Event::LOG_LINE)
            PrintLine(stdout,
                      QString("%1 %2 %3")
                          .arg(event.value(Key::TIME).toString(), event.value(Key::PORT).toString(),
                               event.value(Key::TEXT).toString()));
        break;
    case Json:
        PrintLine(stdout, Compact(event));
        break;
    }
}

void RunOutput::showStopping(const QString &cause, int count)
{
    const QString what = count > 1 ? cause + " again: the units' processes are killed"
                                   : cause + ": units stop after the frame in flight, no Reset (again: at once)";
    switch (mode) {
    case Live:
        footer = what;
        redraw();
        break;
    case Lines:
        PrintLine(stdout, Now() + " " + what);
        break;
    case Json:
        PrintLine(stdout, Compact({{Key::EVENT, Event::STOP}, {Key::TIME, Now()}, {Key::TEXT, what}}));
        break;
    }
}

void RunOutput::showFinished(const UnitProcess &unit)
{
    const UnitRecord &record = unit.record();
    if (mode == Lines) {
        const QString failure = record.failedStep.isEmpty() ? QString() : ": " + record.failedStep;
        PrintLine(stdout,
                  QString("%1 %2 result: %3%4 (%5)")
                      .arg(Now(), record.port, ResultName(record.result), failure, Duration(record)));
    } else if (mode == Live) {
        redraw();
    }
}

void RunOutput::showEnd()
{
    if (mode != Json) {
        redraw();
        tick.stop();
        showTable();
        return;
    }
    for (const UnitProcess *unit : units)
        PrintLine(stdout, Compact(recordEvent(unit->record())));
}

QJsonObject RunOutput::recordEvent(const UnitRecord &record)
{
    QJsonObject event = record.toJson();
    event[Key::EVENT] = Event::RECORD;
    return event;
}

void RunOutput::redraw()
{
    if (mode != Live)
        return;
    QString text = drawnLines > 0 ? QString(CURSOR_UP).arg(drawnLines) : QString();
    QStringList lines;
    for (const UnitProcess *unit : units)
        lines << liveLine(*unit);
    if (!footer.isEmpty())
        lines << footer;
    for (const QString &line : lines)
        text += CLEAR_LINE + Shortened(line, LIVE_LINE_WIDTH) + '\n';
    drawnLines = lines.size();
    Print(stdout, text);
}

// The window's own status line: the step, and while flashing the frame and the time left.
QString RunOutput::liveLine(const UnitProcess &unit) const
{
    const UnitRecord &record = unit.record();
    if (unit.isFinished() && record.failedStep.isEmpty())
        return QString("%1  %2 in %3").arg(record.port, ResultName(record.result), Duration(record));
    if (unit.isFinished())
        return QString("%1  %2 in %3: %4")
            .arg(record.port, ResultName(record.result), Duration(record), record.failedStep);
    if (!unit.statusText().isEmpty())
        return record.port + "  " + unit.statusText();
    const QString step = unit.lastLogLine().isEmpty() ? "connecting" : unit.lastLogLine();
    return QString("%1  %2 · %3 elapsed").arg(record.port, step, DurationText(unit.elapsedMs()));
}

void RunOutput::showTable()
{
    QVector<QStringList> rows{{"port", "result", "failed step", "duration"}};
    for (const UnitProcess *unit : units) {
        const UnitRecord &record = unit->record();
        rows.append({record.port, ResultName(record.result),
                     record.failedStep.isEmpty() ? NONE : Shortened(record.failedStep, FAILURE_COLUMN_WIDTH),
                     Duration(record)});
    }
    QVector<int> widths(rows.first().size(), 0);
    for (const QStringList &row : rows)
        for (int column = 0; column < row.size(); ++column)
            widths[column] = qMax(widths.at(column), row.at(column).size());
    for (const QStringList &row : rows) {
        QString line;
        for (int column = 0; column < row.size(); ++column)
            line += Column(row.at(column), widths.at(column) + 2);
        PrintLine(stdout, line.trimmed());
    }
}
