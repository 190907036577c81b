#include <QtTest>

#include <QCryptographicHash>
#include <QDesktopServices>
#include <QHeaderView>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QTemporaryDir>

#include "app/norvane.h"
#include "app/version.h"
#include "driver/modalanswerer.h"
#include "sampleimage.h"
#include "ui/myconnectbutton.h"

// One text of the form against the room its widget gives it, in pixels.
struct Fit {
    QString what;
    int needed;
    int room;
};

QVector<Fit> ButtonFits(QPushButton *button, const QStringList &captions)
{
    QStyleOptionButton option;
    option.initFrom(button);
    const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const int margin = button->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, button);
    QVector<Fit> fits{{button->objectName() + " height", button->fontMetrics().height(), contents.height()}};
    for (const QString &caption : captions)
        fits.append({caption, button->fontMetrics().horizontalAdvance(caption), contents.width() - 2 * margin});
    return fits;
}

QVector<Fit> FormFits(Norvane &window)
{
    QVector<Fit> fits;
    for (QPushButton *button : {window.verifyButton, window.eraseButton, window.flashButton, window.browseButton})
        fits += ButtonFits(button, {button->text()});
    fits += ButtonFits(window.connectButton, {"Connect", "Disconnect"});
    for (QLabel *label : {window.portLabel, window.baudrateLabel, window.hexFileLabel})
        fits += {{label->text(), label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width()},
                 {label->text() + " height", label->fontMetrics().height(), label->contentsRect().height()}};
    const QHeaderView *caption = window.progressTableWidget->horizontalHeader();
    const int headerMargin = caption->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, caption);
    fits += {{"caption", caption->fontMetrics().horizontalAdvance("Application Progress:") + 2 * headerMargin,
              qMin(caption->sectionSize(0), caption->viewport()->width())},
             {"caption height", caption->fontMetrics().height(), caption->height()}};
    const QPlainTextEdit *path = window.hexFileTextEdit;
    fits.append({"path height", path->fontMetrics().lineSpacing(),
                 path->viewport()->height() - 2 * int(path->document()->documentMargin())});
    QStyleOptionComboBox option;
    option.initFrom(window.baudrateComboBox);
    fits.append({"115200", window.baudrateComboBox->fontMetrics().horizontalAdvance("115200"),
                 window.style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField,
                                                window.baudrateComboBox).width()});
    return fits;
}

// The form, the Help menu and saving the log.
class TestWindow : public QObject
{
    Q_OBJECT

public slots:
    // Stands in for the desktop, which would open the manual.
    void openUrl(const QUrl &url) { openedUrls << url; }

private slots:
    void textsFitTheirWidgets_data();
    void textsFitTheirWidgets();
    void about();
    void manualLookup_data();
    void manualLookup();
    void saveLog_data();
    void saveLog();

private:
    QList<QUrl> openedUrls;
};

void TestWindow::textsFitTheirWidgets_data()
{
    QTest::addColumn<qreal>("desktopScale");
    QTest::newRow("the desktop's font") << 1.0;
    QTest::newRow("the desktop's font at 125 %") << 1.25;
}

void TestWindow::textsFitTheirWidgets()
{
    QFETCH(qreal, desktopScale);

    const QFont desktop = QApplication::font();
    QFont scaled = desktop;
    scaled.setPointSizeF(desktop.pointSizeF() * desktopScale);
    QApplication::setFont(scaled);
    Norvane window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QVector<Fit> fits = FormFits(window);
    QApplication::setFont(desktop);

    QStringList overflowing;
    for (const Fit &fit : fits)
        if (fit.needed > fit.room)
            overflowing << QString("%1: %2 > %3").arg(fit.what).arg(fit.needed).arg(fit.room);
    QVERIFY2(overflowing.isEmpty(), qPrintable(overflowing.join("; ")));
}

void TestWindow::about()
{
    ModalAnswerer answerer;
    Norvane window;
    window.actionAbout->trigger();
    QCOMPARE(answerer.boxes().size(), 1);
    QCOMPARE(answerer.boxes().first().title, QString("About"));
    // The version is CMake's project version; the pattern catches one that did not come through.
    QVERIFY(QRegularExpression("^\\d+(\\.\\d+)+$").match(VARNHOLT_VERSION).hasMatch());
    QCOMPARE(answerer.boxes().first().text, QString("Tool version %1\nDremlock").arg(VARNHOLT_VERSION));
}

void TestWindow::manualLookup_data()
{
    QTest::addColumn<bool>("inWorkingDirectory");
    QTest::addColumn<bool>("inDataFolder");
    QTest::addColumn<bool>("desktopAnswers");
    QTest::addColumn<bool>("viewerInstalled");
    QTest::newRow("both: the working directory wins") << true << true << true << true;
    QTest::newRow("installed only") << false << true << true << true;
    QTest::newRow("neither") << false << false << true << true;
    QTest::newRow("no PDF viewer") << true << false << true << false;
    QTest::newRow("a desktop that cannot tell opens it") << true << false << false << false;
}

void TestWindow::manualLookup()
{
    QFETCH(bool, inWorkingDirectory);
    QFETCH(bool, inDataFolder);
    QFETCH(bool, desktopAnswers);
    QFETCH(bool, viewerInstalled);

    QTemporaryDir working;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(working.path()));
    const QString workingManual = working.filePath("Manual.pdf");
    // Where an installation beside this program keeps its data.
    const QString dataManual =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/varnholt/Manual.pdf");
    QVERIFY(QDir().mkpath(QFileInfo(dataManual).path()));
    QFile::remove(dataManual);
    QVERIFY(!inWorkingDirectory || QFile(workingManual).open(QIODevice::WriteOnly));
    QVERIFY(!inDataFolder || QFile(dataManual).open(QIODevice::WriteOnly));
    // The desktop's own answer to which application opens PDF files.
    QTemporaryDir desktop;
    QFile query(desktop.filePath("xdg-mime"));
    const QByteArray answer = viewerInstalled ? "echo evince.desktop" : "";
    QVERIFY(!desktopAnswers || (query.open(QIODevice::WriteOnly) && query.write("#!/bin/sh\n[ \"$*\" = \"query default "
            "application/pdf\" ] && " + answer + "\nexit 0\n") > 0 && query.setPermissions(QFile::ExeOwner | QFile::ReadOwner)));
    query.close();
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(desktop.path()));

    ModalAnswerer answerer;
    openedUrls.clear();
    QDesktopServices::setUrlHandler("file", this, "openUrl");
    Norvane window;
    window.actionManual->trigger();
    QTRY_VERIFY(!openedUrls.isEmpty() || !answerer.boxes().isEmpty());
    QDesktopServices::unsetUrlHandler("file");
    qputenv("PATH", path);
    QDir::setCurrent(previous);
    QFile::remove(dataManual);

    // Where the desktop cannot tell, the manual is handed to it all the same.
    const bool viewerFound = viewerInstalled || !desktopAnswers;
    if ((inWorkingDirectory || inDataFolder) && viewerFound) {
        QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(inWorkingDirectory ? workingManual : dataManual)});
        QVERIFY(answerer.boxes().isEmpty());
        return;
    }
    QVERIFY(openedUrls.isEmpty());
    QCOMPARE(answerer.texts(), QStringList{"Open Manual failed"});
    const QString informative = answerer.boxes().first().informative;
    if (!viewerFound) {
        QVERIFY2(informative.contains(QDir::toNativeSeparators(workingManual)) && informative.contains("No PDF viewer")
                     && informative.contains("apt-get install"), qPrintable(informative));
        return;
    }
    QVERIFY2(informative.contains(QDir::toNativeSeparators(workingManual))
                 && informative.contains(QDir::toNativeSeparators(dataManual)),
             qPrintable(informative));
}

void TestWindow::saveLog_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("saved") << "session.log";
    QTest::newRow("cancelled") << "";
}

// A saved log says which tool, port, rate and image it was, and when each line came.
void TestWindow::saveLog()
{
    QFETCH(QString, answer);

    QTemporaryDir directory;
    const QByteArray image = SampleImage(64);
    const QString romFile = directory.filePath("app.rom");
    QVERIFY(WriteRomFile(romFile, 0x80000, image));
    ModalAnswerer answerer;
    Norvane window;
    window.comportComboBox->addItem("/nonexistent/ttyUSB9");
    window.comportComboBox->setCurrentText("/nonexistent/ttyUSB9");
    window.baudrateComboBox->setCurrentText("9600");
    window.connectButton->click();
    QTest::qWait(20);
    answerer.queueFileDialogAnswer(romFile);
    window.browseButton->click();
    window.AppendLog(Error, "Flash Application: Port read timed out");
    answerer.queueFileDialogAnswer(answer.isEmpty() ? QString() : directory.filePath(answer));
    window.actionSaveLog->trigger();

    QCOMPARE(answerer.fileDialogCaptions(), QStringList({"Open HEX File", "Save Log As"}));
    QCOMPARE(answerer.texts(), QStringList{"Port Error"});
    const QStringList written = QDir(directory.path()).entryList({"*.log"}, QDir::Files | QDir::Hidden);
    QCOMPARE(written, answer.isEmpty() ? QStringList() : QStringList{answer});
    if (answer.isEmpty())
        return;
    QFile saved(directory.filePath(answer));
    QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(saved.readAll()).split('\n');
    QCOMPARE(lines.mid(0, 1), QStringList{QString("Varnholt %1 log").arg(VARNHOLT_VERSION)});
    QVERIFY2(QRegularExpression("^Saved: \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(Z|[+-]\\d\\d:\\d\\d)$")
                 .match(lines.value(1)).hasMatch(), qPrintable(lines.value(1)));
    QCOMPARE(lines.value(2), QString("Port: /nonexistent/ttyUSB9 at 9600 baud"));
    const QString sha256 = QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex();
    QVERIFY2(QRegularExpression("^ROM file: " + QRegularExpression::escape(QDir::toNativeSeparators(romFile))
                                + ", image of 64 bytes at 0x00080000, CRC-32 [0-9A-F]{8}, SHA-256 " + sha256 + "$")
                 .match(lines.value(3)).hasMatch(), qPrintable(lines.value(3)));
    QCOMPARE(lines.mid(4, 1), QStringList{""});

    // Each line at the time it was logged, the status bar's reason among them.
    const QRegularExpression timed("^(\\d\\d:\\d\\d:\\d\\d\\.\\d{3})  (.*)$");
    QStringList texts;
    QStringList times;
    for (const QString &line : lines.mid(5, lines.size() - 6)) {
        const QRegularExpressionMatch match = timed.match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        times << match.captured(1);
        texts << match.captured(2);
    }
    QCOMPARE(lines.last(), QString());
    QCOMPARE(texts.size(), 3);
    QVERIFY2(texts.at(0).startsWith("Port Error: ") && texts.at(0).contains("ttyUSB9"), qPrintable(texts.at(0)));
    QCOMPARE(texts.mid(1), QStringList({"Browse success", "Flash Application: Port read timed out"}));
    QVERIFY2(times.at(0) < times.at(1), qPrintable(times.join(" ")));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
