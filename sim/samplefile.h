#ifndef SIM_SAMPLEFILE_H
#define SIM_SAMPLEFILE_H

#include <QCommandLineOption>
#include <QString>

class QCommandLineParser;

// A sample ROM file for a new user to check and flash, written on request by ecu-sim:
// --write-sample FILE [--size BYTES] [--address A].
class SampleFile
{
public:
    SampleFile();

    void addTo(QCommandLineParser &parser) const;
    bool isRequested(const QCommandLineParser &parser) const;
    // False, with what is wrong, when the name, the size or the address cannot be used.
    bool read(const QCommandLineParser &parser, QString *error);
    // Whole or not at all; says what it wrote.
    bool write(QString *report) const;

private:
    QCommandLineOption writeOption;
    QCommandLineOption sizeOption;
    QCommandLineOption addressOption;
    QString path;
    quint64 size = 0;
    quint64 address = 0;
};

#endif // SIM_SAMPLEFILE_H
