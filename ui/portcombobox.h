#ifndef UI_PORTCOMBOBOX_H
#define UI_PORTCOMBOBOX_H

#include <QComboBox>

// The port list, which says when it is about to open, so that the ports can be read again
// first: an adapter plugged in after start then shows up where the user looks for it.
class PortComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit PortComboBox(QWidget *parent = nullptr);

    void showPopup() override;

signals:
    void aboutToShowPopup();
};

#endif
