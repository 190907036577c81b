#include "ui/indextextsignal.h"

#include <QComboBox>

IndexTextSignal::IndexTextSignal(QComboBox *comboBox)
    : QObject(comboBox)
{
    connect(comboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this, comboBox](int index) { emit currentIndexChanged(comboBox->itemText(index)); });
}
