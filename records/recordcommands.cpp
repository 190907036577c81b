#include "records/recordcommands.h"

#include <QJsonDocument>

#include "records/csvexport.h"
#include "records/linereport.h"
#include "records/recordkeys.h"

namespace {

// The filter's records from every database the run can reach; a server that cannot be
// reached leaves a line saying so and the station's own records.
bool Gather(const RecordsSetup &setup, const RecordFilter &filter, QVector<QJsonObject> *records, CommandOutput *output)
{
    RecordKeeper keeper;
    QString error;
    if (!keeper.open(setup, &error) || !keeper.gather(filter, records, &error)) {
        output->status = CommandOutput::Refused;
        output->errors << error;
        return false;
    }
    if (!keeper.serverProblem().isEmpty())
        output->errors << keeper.serverProblem() + "; only this station's records are shown";
    return true;
}

QString HistoryLine(const QJsonObject &record)
{
    const QString sha256 = record.value(Key::IMAGE).toObject().value(Key::SHA256).toString();
    QString line = QString("%1  %2  %3  %4  %5")
                       .arg(record.value(Key::STARTED).toString(), record.value(Key::STATION).toString(),
                            record.value(Key::OPERATION).toString(), record.value(Key::RESULT).toString(),
                            sha256.isEmpty() ? QString("-") : "sha256 " + sha256.left(16));
    if (!record.value(Key::OPERATOR).toString().isEmpty())
        line += "  by " + record.value(Key::OPERATOR).toString();
    if (!record.value(Key::FAILED_STEP).toString().isEmpty())
        line += "  " + record.value(Key::FAILED_STEP).toString();
    return line + '\n';
}

} // namespace

CommandOutput SyncRecords(const RecordsSetup &setup)
{
    CommandOutput output;
    RecordKeeper keeper;
    QString error;
    if (!keeper.open(setup, &error) || !keeper.hasServer()) {
        output.status = CommandOutput::Refused;
        output.errors << (error.isEmpty() ? "sync needs a server: give --db postgresql://... or set VARNHOLT_DB"
                                          : error);
        return output;
    }
    if (keeper.sendWaiting() == 0) {
        output.out = QString("No records wait for %1\n").arg(keeper.serverName());
        return output;
    }
    output.status = CommandOutput::Incomplete;
    output.errors << keeper.waitingLine();
    return output;
}

CommandOutput UnitHistory(const RecordsSetup &setup, const QString &unit, bool json)
{
    CommandOutput output;
    RecordFilter filter;
    filter.unit = unit;
    QVector<QJsonObject> records;
    if (!Gather(setup, filter, &records, &output))
        return output;
    for (const QJsonObject &record : qAsConst(records))
        output.out +=
            json ? QString::fromUtf8(QJsonDocument(record).toJson(QJsonDocument::Compact)) + '\n' : HistoryLine(record);
    if (records.isEmpty()) {
        output.status = CommandOutput::Incomplete;
        output.errors << QString("no records of the unit %1").arg(unit);
    }
    return output;
}

CommandOutput RecordsReport(const RecordsSetup &setup, const RecordFilter &filter, bool json)
{
    CommandOutput output;
    QVector<QJsonObject> records;
    if (!Gather(setup, filter, &records, &output))
        return output;
    const LineReport report(records);
    if (!json) {
        output.out = report.toText();
        return output;
    }
    QJsonObject object = report.toJson();
    object.insert("since", filter.since.isValid() ? QJsonValue(RecordTimeText(filter.since)) : QJsonValue());
    object.insert("until", filter.until.isValid() ? QJsonValue(RecordTimeText(filter.until)) : QJsonValue());
    output.out = QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) + '\n';
    return output;
}

CommandOutput RecordsExport(const RecordsSetup &setup, const RecordFilter &filter)
{
    CommandOutput output;
    QVector<QJsonObject> records;
    if (Gather(setup, filter, &records, &output))
        output.out = RecordsCsv(records);
    return output;
}
