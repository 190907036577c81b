#include "ui/portcombobox.h"

PortComboBox::PortComboBox(QWidget *parent)
    : QComboBox(parent)
{ }

void PortComboBox::showPopup()
{
    emit aboutToShowPopup();
    QComboBox::showPopup();
}
