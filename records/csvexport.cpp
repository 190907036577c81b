#include "records/csvexport.h"

#include <QJsonValue>
#include <QRegularExpression>
#include <QStringList>

#include "records/recordkeys.h"

namespace {

const char *const COLUMNS[] = {Key::ID,       Key::UNIT,   Key::STATION,     Key::OPERATOR, Key::OPERATION,
                               Key::PORT,     Key::BAUD,   Key::FILE_PATH,   Key::FIRST,    Key::LAST,
                               Key::SIZE,     Key::CRC32,  Key::SHA256,      Key::STARTED,  Key::FINISHED,
                               Key::DURATION, Key::RESULT, Key::FAILED_STEP, Key::VERSION};

// A spreadsheet runs a cell that begins like a formula; a scanned id or a file name must
// not, so such a text is led by an apostrophe, which the spreadsheet shows as text.
QString Field(const QJsonValue &value)
{
    QString text = value.isDouble() ? QString::number(value.toDouble(), 'g', 15) : value.toString();
    if (!value.isDouble() && !text.isEmpty() && QString("=+-@\t\r").contains(text.at(0)))
        text.prepend('\'');
    if (text.contains(QRegularExpression("[\",\r\n]")))
        text = '"' + text.replace('"', "\"\"") + '"';
    return text;
}

QString Row(const QJsonObject &record)
{
    const QJsonObject image = record.value(Key::IMAGE).toObject();
    QStringList fields;
    for (const char *column : COLUMNS)
        fields << Field(record.contains(column) ? record.value(column) : image.value(column));
    return fields.join(',') + "\r\n";
}

} // namespace

QString RecordsCsv(const QVector<QJsonObject> &records)
{
    QStringList header;
    for (const char *column : COLUMNS)
        header << column;
    QString csv = header.join(',') + "\r\n";
    for (const QJsonObject &record : records)
        csv += Row(record);
    return csv;
}
