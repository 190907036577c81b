#include <QtTest>

#include <QCryptographicHash>
#include <QDesktopServices>
#include <QHeaderView>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QTemporaryDir>

#include "app/norvane.h"
#include "app/version.h"
#include "connection/baudrates.h"
#include "driver/modalanswerer.h"
#include "sim/sampleimage.h"
#include "ui/myconnectbutton.h"

// The paragraph of a roff page that follows the line given, joined into one line.
QString ManParagraphAfter(const QString &page, const QString &line)
{
    QStringList paragraph;
    const QStringList lines = page.split('\n');
    for (int at = lines.indexOf(line) + 1; at > 0 && at < lines.size() && !lines.at(at).startsWith('.'); ++at)
        paragraph << lines.at(at);
    return paragraph.join(' ');
}

QString SourceText(const QString &path)
{
    QFile file(QString(VARNHOLT_SOURCE_DIR) + "/" + path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The texts of the shown form that need more pixels than their widgets give them.
QStringList Overflowing(Norvane &window)
{
    QStringList overflowing;
    const auto check = [&overflowing](const QString &what, int needed, int room) {
        if (needed > room)
            overflowing << QString("%1: %2 > %3").arg(what).arg(needed).arg(room);
    };
    const QVector<QPair<QPushButton *, QString>> buttons{
        {window.verifyButton, "Verify"}, {window.eraseButton, "Erase"},     {window.flashButton, "Flash"},
        {window.browseButton, "Browse"}, {window.connectButton, "Connect"}, {window.connectButton, "Disconnect"}};
    for (const auto &button : buttons) {
        QStyleOptionButton option;
        option.initFrom(button.first);
        const QStyle *style = button.first->style();
        const QRect room = style->subElementRect(QStyle::SE_PushButtonContents, &option, button.first);
        const int margin = style->pixelMetric(QStyle::PM_ButtonMargin, &option, button.first);
        check(button.second, button.first->fontMetrics().horizontalAdvance(button.second), room.width() - 2 * margin);
        check(button.second + " height", button.first->fontMetrics().height(), room.height());
    }
    for (QLabel *label : {window.portLabel, window.baudrateLabel, window.hexFileLabel})
        check(label->text(), label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width());
    const QHeaderView *caption = window.progressTableWidget->horizontalHeader();
    check("caption",
          caption->fontMetrics().horizontalAdvance("Application Progress:")
              + 2 * caption->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, caption),
          qMin(caption->sectionSize(0), caption->viewport()->width()));
    const QPlainTextEdit *path = window.hexFileTextEdit;
    check("path height", path->fontMetrics().lineSpacing(),
          path->viewport()->height() - 2 * int(path->document()->documentMargin()));
    return overflowing;
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
    void ratesComeFromOneTable();

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
    const QStringList overflowing = Overflowing(window);
    QApplication::setFont(desktop);
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
    // What the desktop answers when asked which application opens PDF files.
    QTemporaryDir desktop;
    QFile query(desktop.filePath("xdg-mime"));
    QVERIFY(!desktopAnswers
            || (query.open(QIODevice::WriteOnly) && query.setPermissions(QFile::ExeOwner | QFile::ReadOwner)
                && query.write("#!/bin/sh\ntest \"$*\" = \"query default application/pdf\" && echo "
                               + QByteArray(viewerInstalled ? "evince.desktop" : "") + "\n")
                    > 0));
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
    // The file, and either where it was looked for or what to install.
    const QString informative = answerer.boxes().first().informative;
    QVERIFY2(informative.contains(QDir::toNativeSeparators(workingManual))
                 && informative.contains(viewerFound ? QDir::toNativeSeparators(dataManual) : "No PDF viewer")
                 && (viewerFound || informative.contains("apt-get install")),
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
    const QString text = QString::fromUtf8(saved.readAll());
    // A header, then each line at the time it was logged, the status bar's reason among them.
    const QString time = "(\\d\\d:\\d\\d:\\d\\d\\.\\d{3})  ";
    const QRegularExpressionMatch match =
        QRegularExpression(
            QString("^Varnholt %1 log\nSaved: \\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d(Z|[+-]\\d\\d:\\d\\d)\n"
                    "Port: /nonexistent/ttyUSB9 at 9600 baud\n")
                .arg(QRegularExpression::escape(VARNHOLT_VERSION))
            + "ROM file: " + QRegularExpression::escape(QDir::toNativeSeparators(romFile))
            + ", image of 64 bytes at 0x00080000, CRC-32 [0-9A-F]{8}, SHA-256 "
            + QCryptographicHash::hash(image, QCryptographicHash::Sha256).toHex() + "\n\n" + time
            + "Port Error: [^\n]*ttyUSB9: No such file or directory\n" + time + "Browse success\n" + time
            + "Flash Application: Port read timed out\n$")
            .match(text);
    QVERIFY2(match.hasMatch(), qPrintable(text));
    QVERIFY2(match.captured(2) < match.captured(3), qPrintable(text));
}

// The window lists the table's rates and starts at its default; the manual and the command
// line's page list the same.
void TestWindow::ratesComeFromOneTable()
{
    QStringList texts;
    QString defaultText;
    for (const ListedBaudRate &row : BAUD_RATES) {
        texts << row.text;
        QCOMPARE(QString(row.text), QString::number(row.rate));
        if (row.isDefault)
            defaultText = row.text;
    }
    Norvane window;
    QStringList listed;
    for (int i = 0; i < window.baudrateComboBox->count(); ++i)
        listed << window.baudrateComboBox->itemText(i);
    QCOMPARE(listed, texts);
    QCOMPARE(window.baudrateComboBox->currentText(), defaultText);
    QCOMPARE(window.baudRate, defaultText.toInt());

    const QString last = texts.takeLast();
    const QString manual = SourceText("docs/manual.md");
    const QString offered = "The list offers " + texts.join(", ") + " and " + last + "; " + defaultText
        + " is chosen when the tool starts.";
    QVERIFY2(manual.contains(offered), qPrintable("docs/manual.md does not say: " + offered));
    const QString baud = ManParagraphAfter(SourceText("docs/man/varnholt-cli.1"), ".BI \\-\\-baud \" rate\"");
    for (const QString &said :
         {"one of the window's, " + texts.join(", ") + " or " + last, defaultText + " (the default)"})
        QVERIFY2(baud.contains(said), qPrintable("varnholt-cli(1) on --baud does not say: " + said + "\nbut: " + baud));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
