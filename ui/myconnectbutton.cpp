#include "ui/myconnectbutton.h"

MyConnectButton::MyConnectButton(QWidget *parent)
    : QPushButton(parent)
{ }

MyConnectButton::~MyConnectButton() = default;

void MyConnectButton::showConnected(bool connected)
{
    setChecked(connected);
    setText(connected ? tr("Disconnect") : tr("Connect"));
}

void MyConnectButton::nextCheckState()
{
    showConnected(!isChecked());
    emit HandleConnect(isChecked());
}
