#include "records/linereport.h"

#include <QDateTime>
#include <QJsonArray>
#include <QSet>

#include <algorithm>

#include "records/recordkeys.h"

namespace {

bool IsFlash(const QJsonObject &record)
{
    const QString result = record.value(Key::RESULT).toString();
    return record.value(Key::OPERATION).toString() == OperationText::FLASH && result != Result::SKIPPED
        && result != Result::REFUSED;
}

QString UnitOf(const QJsonObject &record)
{
    const QString unit = record.value(Key::UNIT).toString();
    return unit.isEmpty() ? "#" + record.value(Key::ID).toString() : "=" + unit;
}

QDateTime TimeOf(const QJsonObject &record, const char *key)
{
    return QDateTime::fromString(record.value(key).toString(), Qt::ISODateWithMs);
}

double Median(QVector<double> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const int middle = values.size() / 2;
    return values.size() % 2 ? values.at(middle) : (values.at(middle - 1) + values.at(middle)) / 2;
}

QJsonValue NumberOrNull(double value)
{
    return value < 0 ? QJsonValue() : QJsonValue(value);
}

QJsonObject FiguresJson(const LineReport::Figures &figures)
{
    QJsonObject failures;
    for (auto step = figures.failuresByStep.cbegin(); step != figures.failuresByStep.cend(); ++step)
        failures.insert(step.key(), step.value());
    return {{"units", figures.units},
            {"successes", figures.successes},
            {"first_pass_yield", NumberOrNull(figures.firstPassYield)},
            {"units_per_hour", NumberOrNull(figures.unitsPerHour)},
            {"median_flash_s", NumberOrNull(figures.medianFlashSeconds)},
            {"failures_by_step", failures}};
}

QString FigureText(double value, int decimals)
{
    return value < 0 ? QString("-") : QString::number(value, 'f', decimals);
}

QString FiguresText(const QString &name, const LineReport::Figures &figures)
{
    QString text = QString("%1 %2 %3 %4 %5 %6\n")
                       .arg(name, -20)
                       .arg(figures.units, 6)
                       .arg(figures.successes, 9)
                       .arg(FigureText(figures.firstPassYield * 100, 1), 7)
                       .arg(FigureText(figures.unitsPerHour, 1), 10)
                       .arg(FigureText(figures.medianFlashSeconds, 1), 9);
    for (auto step = figures.failuresByStep.cbegin(); step != figures.failuresByStep.cend(); ++step)
        text += QString("    %1 x %2\n").arg(step.value(), 4).arg(step.key());
    return text;
}

} // namespace

LineReport::LineReport(const QVector<QJsonObject> &records)
{
    QVector<QJsonObject> flashes;
    QMap<QString, QVector<QJsonObject>> byStation;
    for (const QJsonObject &record : records) {
        if (!IsFlash(record))
            continue;
        flashes.append(record);
        byStation[record.value(Key::STATION).toString()].append(record);
    }
    total = FiguresOf(flashes);
    for (auto station = byStation.cbegin(); station != byStation.cend(); ++station)
        perStation.insert(station.key(), FiguresOf(station.value()));
}

LineReport::Figures LineReport::FiguresOf(const QVector<QJsonObject> &flashes)
{
    Figures figures;
    QSet<QString> seen;
    int firstPassed = 0;
    QVector<double> flashSeconds;
    QDateTime first, last;
    for (const QJsonObject &record : flashes) {
        const bool succeeded = record.value(Key::RESULT).toString() == Result::SUCCESS;
        if (!seen.contains(UnitOf(record))) {
            seen.insert(UnitOf(record));
            firstPassed += succeeded ? 1 : 0;
        }
        if (succeeded) {
            ++figures.successes;
            flashSeconds.append(record.value(Key::DURATION).toDouble());
        } else {
            ++figures.failuresByStep[record.value(Key::FAILED_STEP).toString()];
        }
        const QDateTime started = TimeOf(record, Key::STARTED), finished = TimeOf(record, Key::FINISHED);
        first = first.isValid() ? std::min(first, started) : started;
        last = last.isValid() ? std::max(last, finished) : finished;
    }
    figures.units = seen.size();
    if (figures.units > 0)
        figures.firstPassYield = double(firstPassed) / figures.units;
    const qint64 spanMs = first.isValid() && last.isValid() ? first.msecsTo(last) : 0;
    if (spanMs > 0)
        figures.unitsPerHour = figures.units * 3600000.0 / spanMs;
    figures.medianFlashSeconds = Median(flashSeconds);
    return figures;
}

const LineReport::Figures &LineReport::all() const
{
    return total;
}

const QMap<QString, LineReport::Figures> &LineReport::stations() const
{
    return perStation;
}

QJsonObject LineReport::toJson() const
{
    QJsonObject stationsJson;
    for (auto station = perStation.cbegin(); station != perStation.cend(); ++station)
        stationsJson.insert(station.key(), FiguresJson(station.value()));
    return {{"stations", stationsJson}, {"all", FiguresJson(total)}};
}

QString LineReport::toText() const
{
    QString text = QString("%1 %2 %3 %4 %5 %6\n")
                       .arg("station", -20)
                       .arg("units", 6)
                       .arg("successes", 9)
                       .arg("yield %", 7)
                       .arg("units/hour", 10)
                       .arg("median s", 9);
    for (auto station = perStation.cbegin(); station != perStation.cend(); ++station)
        text += FiguresText(station.key(), station.value());
    return text + FiguresText("all", total);
}
