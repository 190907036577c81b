#include "app/norvane.h"

#include <QCloseEvent>
#include <QSerialPort>
#include <QStringList>

#include "app/version.h"
#include "ui/indextextsignal.h"
#include "ui/myconnectbutton.h"
#include "ui/operationstatus.h"

Norvane::Norvane(QWidget *parent)
    : QMainWindow(parent)
{
    setupUi(this);
    progressTableWidget->setHorizontalHeaderLabels(QStringList() << tr("Application Progress:"));
    MakeFormLegible();

    romFilePath = "";
    serialPort = new QSerialPort();
    portName = "";
    baudRate = 0;
    toolVersion = VARNHOLT_VERSION;
    busy = false;
    openWaits = 0;
    answerDueNs = -1;
    operationStatus = new OperationStatus(Ui_Norvane::statusBar);
    operationEvents.add(operationStatus);

    // The lists are filled before their signals are wired, so start-up runs no slot.
    FillPortComboBox();
    FillBaudRateComboBox();

    connect(verifyButton, SIGNAL(released()), this, SLOT(HandleVerifyButton()));
    connect(browseButton, SIGNAL(released()), this, SLOT(HandleBrowseButton()));
    connect(flashButton, SIGNAL(released()), this, SLOT(HandleFlashButton()));
    connect(eraseButton, SIGNAL(released()), this, SLOT(HandleEraseButton()));
    connect(new IndexTextSignal(comportComboBox), SIGNAL(currentIndexChanged(const QString &)),
            this, SLOT(HandlePortIndex(const QString &)));
    connect(new IndexTextSignal(baudrateComboBox), SIGNAL(currentIndexChanged(const QString &)),
            this, SLOT(HandleBaudRateIndex(const QString &)));
    connect(actionManual, SIGNAL(triggered(bool)), this, SLOT(HandleMenuContent(bool)));
    connect(actionAbout, SIGNAL(triggered(bool)), this, SLOT(HandleMenuAbout(bool)));

    connectButton = new MyConnectButton(Ui_Norvane::centralWidget);
    connectButton->setObjectName("connectButton");
    connectButton->setGeometry(QRect(270, 30, 91, 21));
    connectButton->setLayoutDirection(Qt::LeftToRight);
    connectButton->setCheckable(true);
    connectButton->showConnected(false);

    connect(connectButton, SIGNAL(HandleConnect(bool)), this, SLOT(HandleConnectButton(bool)));

    connect(comportComboBox, &PortComboBox::aboutToShowPopup, this, &Norvane::RefreshPortComboBox);
    WatchTheLine();
    SetUpLogSaving();
}

Norvane::~Norvane()
{
    delete connectButton;
    serialPort->clear(QSerialPort::AllDirections);
    serialPort->close();
    delete serialPort;
}

// Closed mid-operation, the window would vanish while the operation goes on unseen.
void Norvane::closeEvent(QCloseEvent *event)
{
    if (RefusedWhileBusy()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
