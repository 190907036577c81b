#include <QtTest>

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QStatusBar>
#include <QTableWidget>
#include <QTextEdit>

#include "app/norvane.h"
#include "support/logpane.h"
#include "support/messagecapture.h"
#include "support/modalanswerer.h"
#include "ui/myconnectbutton.h"

// Receives the URLs that the window hands to the desktop services.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void formWidgets_data();
    void formWidgets();
    void formSettings();
    void startUpState();
    void connectButtonToggles();
    void connectButtonKeepsWhatTheSlotLeaves();
    void logColoursAndClearing();
    void messageBoxes();
    void aboutTwice();
    void manualMissingAndHandedOver();
};

void TestWindow::formWidgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("direction");
    QTest::addColumn<QString>("text");

    const int ltr = Qt::LeftToRight;
    const int rtl = Qt::RightToLeft;
    QTest::newRow("verify") << "verifyButton" << "QPushButton" << QRect(30, 110, 91, 21) << ltr << "Verify";
    QTest::newRow("port list") << "comportComboBox" << "QComboBox" << QRect(30, 30, 91, 22) << ltr << "";
    QTest::newRow("baud list") << "baudrateComboBox" << "QComboBox" << QRect(150, 30, 91, 22) << ltr << "";
    QTest::newRow("path") << "hexFileTextEdit" << "QPlainTextEdit" << QRect(33, 80, 331, 21) << ltr << "";
    QTest::newRow("browse") << "browseButton" << "QPushButton" << QRect(370, 80, 71, 21) << ltr << "Browse";
    QTest::newRow("flash") << "flashButton" << "QPushButton" << QRect(270, 110, 91, 21) << ltr << "Flash";
    QTest::newRow("rom label") << "hexFileLabel" << "QLabel" << QRect(30, 60, 61, 20) << rtl << "Rom File:";
    QTest::newRow("log") << "progressTextEdit" << "QTextEdit" << QRect(30, 170, 391, 81) << ltr << "";
    QTest::newRow("caption") << "progressTableWidget" << "QTableWidget" << QRect(30, 150, 391, 21) << ltr << "";
    QTest::newRow("port label") << "portLabel" << "QLabel" << QRect(30, 10, 41, 20) << rtl << "Port:";
    QTest::newRow("baud label") << "baudrateLabel" << "QLabel" << QRect(150, 10, 61, 20) << rtl << "Baudrate:";
    QTest::newRow("erase") << "eraseButton" << "QPushButton" << QRect(150, 110, 91, 21) << ltr << "Erase";
    QTest::newRow("connect") << "connectButton" << "MyConnectButton" << QRect(270, 30, 91, 21) << ltr << "Connect";
}

void TestWindow::formWidgets()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QRect, geometry);
    QFETCH(int, direction);
    QFETCH(QString, text);

    Norvane window;
    QWidget *widget = window.Ui_Norvane::centralWidget->findChild<QWidget *>(name, Qt::FindDirectChildrenOnly);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->metaObject()->className(), className.toLatin1().constData());
    QCOMPARE(widget->geometry(), geometry);
    QCOMPARE(int(widget->layoutDirection()), direction);
    const QVariant shown = widget->property("text");
    if (shown.isValid())
        QCOMPARE(shown.toString(), text);
}

void TestWindow::formSettings()
{
    Norvane window;
    QCOMPARE(window.objectName(), QString("Norvane"));
    QCOMPARE(window.windowTitle(), QString("Varnholt"));
    QCOMPARE(window.size(), QSize(466, 305));
    QCOMPARE(window.layoutDirection(), Qt::RightToLeft);

    // Creation order is the focus chain: the connect button comes last.
    QStringList order;
    for (QObject *child : window.Ui_Norvane::centralWidget->children())
        order << child->objectName();
    QCOMPARE(order, QStringList({"verifyButton", "comportComboBox", "baudrateComboBox", "hexFileTextEdit",
                                 "browseButton", "flashButton", "hexFileLabel", "progressTextEdit",
                                 "progressTableWidget", "portLabel", "baudrateLabel", "eraseButton",
                                 "connectButton"}));

    QVERIFY(window.hexFileTextEdit->isReadOnly());
    QCOMPARE(window.hexFileTextEdit->frameShape(), QFrame::Panel);
    QCOMPARE(window.hexFileTextEdit->lineWrapMode(), QPlainTextEdit::NoWrap);
    QVERIFY(window.progressTextEdit->isReadOnly());
    QCOMPARE(window.progressTextEdit->lineWrapMode(), QTextEdit::NoWrap);
    QCOMPARE(window.progressTextEdit->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    QTableWidget *table = window.progressTableWidget;
    QCOMPARE(table->rowCount(), 1);
    QCOMPARE(table->columnCount(), 1);
    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(!table->tabKeyNavigation());
    QVERIFY(!table->verticalHeader()->isVisible());
    QCOMPARE(table->horizontalHeader()->defaultSectionSize(), 125);
    QCOMPARE(table->horizontalHeaderItem(0)->text(), QString("Application Progress:"));
    QVERIFY(table->item(0, 0) == nullptr);

    const QList<QAction *> menus = window.Ui_Norvane::menuBar->actions();
    QCOMPARE(menus.size(), 1);
    QCOMPARE(menus.first()->text(), QString("Help"));
    QCOMPARE(window.menuNorvane_Window->actions(), QList<QAction *>({window.actionManual, window.actionAbout}));
    QCOMPARE(window.actionManual->text(), QString("Manual"));
    QCOMPARE(window.actionAbout->text(), QString("About"));
    QCOMPARE(window.menuNorvane_Window->contextMenuPolicy(), Qt::ActionsContextMenu);
    QVERIFY(window.Ui_Norvane::statusBar->currentMessage().isEmpty());
}

void TestWindow::startUpState()
{
    ModalAnswerer answerer;
    MessageCapture capture;
    Norvane window;

    QCOMPARE(window.baudrateComboBox->count(), 8);
    QCOMPARE(window.baudrateComboBox->itemText(0), QString("1200"));
    QCOMPARE(window.baudrateComboBox->currentText(), QString("115200"));
    QCOMPARE(window.baudRate, 115200);
    QCOMPARE(window.portName, window.comportComboBox->currentText());
    QCOMPARE(window.toolVersion, QString("6.2"));
    QVERIFY(!window.busy);
    QVERIFY(window.romFilePath.isEmpty());
    QVERIFY(!window.serialPort->isOpen());
    QVERIFY(window.serialPort->parent() == nullptr);
    QVERIFY(!window.connectButton->isChecked());
    QVERIFY(window.connectButton->isCheckable());
    QVERIFY(window.progressTextEdit->toPlainText().isEmpty());
    QCoreApplication::processEvents();
    QVERIFY(answerer.boxes().isEmpty());
    // A signal or slot that the Qt in use lacks leaves a warning, and a dead widget.
    QCOMPARE(capture.warningLines(), QStringList());
}

void TestWindow::connectButtonToggles()
{
    MyConnectButton button;
    button.setCheckable(true);
    button.setText("Connect");
    QSignalSpy spy(&button, &MyConnectButton::HandleConnect);

    button.click();
    QVERIFY(button.isChecked());
    QCOMPARE(button.text(), QString("Disconnect"));
    button.click();
    QVERIFY(!button.isChecked());
    QCOMPARE(button.text(), QString("Connect"));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toBool(), true);
    QCOMPARE(spy.at(1).at(0).toBool(), false);

    // A change made by the program is not a user's toggle.
    button.setChecked(true);
    QCOMPARE(button.text(), QString("Connect"));
    QCOMPARE(spy.count(), 2);
}

void TestWindow::connectButtonKeepsWhatTheSlotLeaves()
{
    MyConnectButton button;
    button.setCheckable(true);
    connect(&button, &MyConnectButton::HandleConnect, &button, [&button](bool checked) {
        if (checked) {
            button.setChecked(false);
            button.setText("Connect");
        }
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    QVERIFY(!button.isChecked());
    QCOMPARE(button.text(), QString("Connect"));
}

void TestWindow::logColoursAndClearing()
{
    Norvane window;
    window.AppendLog(Error, "first");
    window.AppendLog(Info, "second");
    QVector<LogLine> lines = LogLines(window.progressTextEdit);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0).text, QString("first"));
    QCOMPARE(lines.at(0).colour, LOG_RED);
    QCOMPARE(lines.at(1).text, QString("second"));
    QCOMPARE(lines.at(1).colour, LOG_BLUE);

    window.AppendLog(static_cast<LogKind>(7), "never shown");
    QVERIFY(window.progressTextEdit->toPlainText().isEmpty());
    window.AppendLog(Error, "after clearing");
    lines = LogLines(window.progressTextEdit);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(lines.at(0).colour, LOG_RED);

    // Events waiting while an operation writes its log must run inside AppendLog.
    bool ran = false;
    QMetaObject::invokeMethod(&window, [&ran] { ran = true; }, Qt::QueuedConnection);
    window.AppendLog(Info, "line");
    QVERIFY(ran);
}

void TestWindow::messageBoxes()
{
    ModalAnswerer answerer;
    Norvane window;
    window.ShowMessage("Main text", "");
    window.ShowMessage("With more", "Details");
    const QVector<ModalAnswerer::Box> boxes = answerer.boxes();
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes.at(0).title, QString("Message"));
    QCOMPARE(boxes.at(0).text, QString("Main text"));
    QVERIFY(boxes.at(0).informative.isEmpty());
    QCOMPARE(boxes.at(1).title, QString("Message"));
    QCOMPARE(boxes.at(1).informative, QString("Details"));
    QVERIFY(window.findChildren<QMessageBox *>().isEmpty());
}

void TestWindow::aboutTwice()
{
    ModalAnswerer answerer;
    MessageCapture capture;
    Norvane window;
    QMessageBox *firstBox = nullptr;
    answerer.whileNextBoxOpen([&firstBox] {
        firstBox = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(firstBox->parent() == nullptr);
        auto *grid = qobject_cast<QGridLayout *>(firstBox->layout());
        QVERIFY(grid != nullptr);
        QLayoutItem *last = grid->itemAtPosition(grid->rowCount() - 1, 0);
        QVERIFY(last != nullptr && last->spacerItem() != nullptr);
        QCOMPARE(last->spacerItem()->sizeHint(), QSize(150, 0));
    });
    window.actionAbout->trigger();
    window.actionAbout->trigger();

    const QVector<ModalAnswerer::Box> boxes = answerer.boxes();
    QCOMPARE(boxes.size(), 2);
    for (const ModalAnswerer::Box &box : boxes) {
        QCOMPARE(box.title, QString("About"));
        QCOMPARE(box.text, QString("Tool version 6.2\nDremlock"));
    }
    QVERIFY(firstBox != nullptr);
    QCOMPARE(capture.debugLines(), QStringList({"About clicked!", "About clicked!"}));
    QVERIFY(window.progressTextEdit->toPlainText().isEmpty());
}

void TestWindow::manualMissingAndHandedOver()
{
    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(directory.path()));

    ModalAnswerer answerer;
    MessageCapture capture;
    Norvane window;

    // Nothing can open a file here, so the desktop services refuse.
    window.actionManual->trigger();
    QCOMPARE(answerer.texts(), QStringList{"Open Manual failed"});
    QCOMPARE(answerer.boxes().first().title, QString("Message"));

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    answerer.clear();
    window.actionManual->trigger();
    QDesktopServices::unsetUrlHandler("file");
    QDir::setCurrent(previous);

    QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(QDir(directory.path()).absoluteFilePath("Manual.pdf"))});
    QVERIFY(answerer.boxes().isEmpty());
    QCOMPARE(capture.debugLines(), QStringList({"Manual clicked!", "Manual clicked!"}));
    QVERIFY(window.progressTextEdit->toPlainText().isEmpty());
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
