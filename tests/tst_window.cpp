#include <QtTest>

#include <QDesktopServices>
#include <QTemporaryDir>

#include "app/norvane.h"
#include "app/version.h"
#include "driver/modalanswerer.h"

// The Help menu and saving the log.
class TestWindow : public QObject
{
    Q_OBJECT

public slots:
    // Stands in for the desktop, which would open the manual.
    void openUrl(const QUrl &url) { openedUrls << url; }

private slots:
    void about();
    void manualLookup_data();
    void manualLookup();
    void saveLog_data();
    void saveLog();

private:
    QList<QUrl> openedUrls;
};

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
    QTest::newRow("both: the working directory wins") << true << true;
    QTest::newRow("installed only") << false << true;
    QTest::newRow("neither") << false << false;
}

void TestWindow::manualLookup()
{
    QFETCH(bool, inWorkingDirectory);
    QFETCH(bool, inDataFolder);

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

    ModalAnswerer answerer;
    openedUrls.clear();
    QDesktopServices::setUrlHandler("file", this, "openUrl");
    Norvane().actionManual->trigger();
    QDesktopServices::unsetUrlHandler("file");
    QDir::setCurrent(previous);
    QFile::remove(dataManual);

    if (inWorkingDirectory || inDataFolder) {
        QCOMPARE(openedUrls, QList<QUrl>{QUrl::fromLocalFile(inWorkingDirectory ? workingManual : dataManual)});
        QVERIFY(answerer.boxes().isEmpty());
        return;
    }
    QVERIFY(openedUrls.isEmpty());
    QCOMPARE(answerer.texts(), QStringList{"Open Manual failed"});
    const QString informative = answerer.boxes().first().informative;
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

void TestWindow::saveLog()
{
    QFETCH(QString, answer);

    QTemporaryDir directory;
    ModalAnswerer answerer;
    answerer.queueFileDialogAnswer(answer.isEmpty() ? QString() : directory.filePath(answer));
    Norvane window;
    window.AppendLog(Info, "[Flash Hanlder] Flash command started");
    window.AppendLog(Error, "Flash Application: Port read timed out");
    window.actionSaveLog->trigger();

    QCOMPARE(answerer.fileDialogCaptions(), QStringList{"Save Log As"});
    QVERIFY(answerer.boxes().isEmpty());
    const QStringList written = QDir(directory.path()).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(written, answer.isEmpty() ? QStringList() : QStringList{answer});
    if (answer.isEmpty())
        return;
    QFile saved(directory.filePath(answer));
    QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
    QCOMPARE(QString::fromUtf8(saved.readAll()),
             QString("[Flash Hanlder] Flash command started\nFlash Application: Port read timed out\n"));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
