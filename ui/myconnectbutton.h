#ifndef UI_MYCONNECTBUTTON_H
#define UI_MYCONNECTBUTTON_H

#include <QPushButton>

// The connect toggle: a user click flips it, renames it and reports the new state.
class MyConnectButton : public QPushButton
{
    Q_OBJECT

public:
    explicit MyConnectButton(QWidget *parent = nullptr);
    ~MyConnectButton() override;

    // Checks or unchecks it with the matching caption, without reporting it.
    void showConnected(bool connected);

signals:
    void HandleConnect(bool);

protected:
    void nextCheckState() override;
};

#endif
