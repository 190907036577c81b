#include "app/norvane.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>

#include "connection/availableports.h"
#include "ui/myconnectbutton.h"

namespace {

bool IsListed(const QVector<AvailablePorts::Port> &ports, const QString &name)
{
    for (const AvailablePorts::Port &port : ports)
        if (port.name == name)
            return true;
    return false;
}

} // namespace

// At start-up, and each time the list opens while disconnected. A port given by its full
// path, which the system never reports (the rehearsal's simulated unit), stays while its
// device exists; the chosen port stays chosen while it is listed.
void Norvane::FillPortComboBox()
{
    QVector<AvailablePorts::Port> ports = AvailablePorts::list();
    for (int i = 0; i < comportComboBox->count(); ++i) {
        const QString name = comportComboBox->itemText(i);
        if (QDir::isAbsolutePath(name) && QFileInfo::exists(name) && !IsListed(ports, name))
            ports.append({name, comportComboBox->itemData(i, Qt::ToolTipRole).toString()});
    }

    const QString chosen = comportComboBox->currentText();
    const QSignalBlocker quiet(comportComboBox);
    comportComboBox->clear();
    for (const AvailablePorts::Port &port : qAsConst(ports)) {
        comportComboBox->addItem(port.name);
        comportComboBox->setItemData(comportComboBox->count() - 1, port.description, Qt::ToolTipRole);
    }
    comportComboBox->setCurrentIndex(qMax(comportComboBox->findText(chosen), 0));
    portName = comportComboBox->currentText();
}

// While connected the list is locked, and the open port must stay listed.
void Norvane::RefreshPortComboBox()
{
    if (!connectButton->isChecked())
        FillPortComboBox();
}
