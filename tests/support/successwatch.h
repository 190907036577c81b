#ifndef TESTS_SUCCESSWATCH_H
#define TESTS_SUCCESSWATCH_H

#include <QByteArray>
#include <QObject>
#include <QStringList>

class EcuSimulator;
class QTextEdit;

// Notes, as each success line of a Flash is logged, whether the unit holds the image then:
// a success line over a partial image is the fault these tests exist to catch.
class SuccessWatch : public QObject
{
    Q_OBJECT

public:
    SuccessWatch(QTextEdit *pane, const EcuSimulator &unit, quint32 address, const QByteArray &image);

    // "[Flash Hanlder] Flash success: image held", or "...: image NOT held", in order.
    QStringList seen() const { return lines; }
    // Every success line of a whole Flash, each logged while the unit held the image.
    static QStringList allHeld();

private:
    void look();

    QTextEdit *pane;
    const EcuSimulator &unit;
    quint32 address;
    QByteArray image;
    QStringList lines;
};

#endif
