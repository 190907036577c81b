#include "ui/myconnectbutton.h"

MyConnectButton::MyConnectButton(QWidget *parent)
    : QPushButton(parent)
{
}

MyConnectButton::~MyConnectButton() = default;

void MyConnectButton::nextCheckState()
{
    setChecked(!isChecked());
    setText(isChecked() ? tr("Disconnect") : tr("Connect"));
    emit HandleConnect(isChecked());
}
