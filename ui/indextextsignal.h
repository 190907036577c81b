#ifndef UI_INDEXTEXTSIGNAL_H
#define UI_INDEXTEXTSIGNAL_H

#include <QObject>
#include <QString>

class QComboBox;

// QComboBox::currentIndexChanged(const QString &) is gone in Qt 6. This child of a combo
// box emits it for every change of index, with the new item's text, on either Qt.
// currentTextChanged is no stand-in: Qt 6 stays silent when two items share a text.
class IndexTextSignal : public QObject
{
    Q_OBJECT

public:
    explicit IndexTextSignal(QComboBox *comboBox);

signals:
    void currentIndexChanged(const QString &text);
};

#endif
