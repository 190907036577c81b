#include <QtTest>

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QTextEdit>

#include "app/norvane.h"
#include "support/modalanswerer.h"

// Receives the URLs that the window hands to the desktop services.
class UrlCatcher : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl &url) { urls << url; }
};

// The Help menu and the log pane's own menu.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void about();
    void manualLookup_data();
    void manualLookup();
    void saveLog_data();
    void saveLog();
    void logMenuOffersSaving();
};

void TestWindow::about()
{
    ModalAnswerer answerer;
    Norvane window;
    window.actionAbout->trigger();
    QCOMPARE(answerer.boxes().size(), 1);
    QCOMPARE(answerer.boxes().first().title, QString("About"));
    QCOMPARE(answerer.boxes().first().text, QString("Tool version 6.2\nDremlock"));
}

void TestWindow::manualLookup_data()
{
    QTest::addColumn<bool>("inWorkingDirectory");
    QTest::addColumn<bool>("inDataFolder");
    QTest::addColumn<QString>("opened");

    QTest::newRow("both: the working directory wins") << true << true << "working";
    QTest::newRow("installed only") << false << true << "data";
    QTest::newRow("neither") << false << false << "";
}

void TestWindow::manualLookup()
{
    QFETCH(bool, inWorkingDirectory);
    QFETCH(bool, inDataFolder);
    QFETCH(QString, opened);

    QTemporaryDir working;
    QVERIFY(working.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(working.path()));
    const QString workingManual = QDir(working.path()).absoluteFilePath("Manual.pdf");
    // Where an installation beside this program keeps its data.
    QDir data(QCoreApplication::applicationDirPath() + "/../share/varnholt");
    QVERIFY(data.mkpath("."));
    const QString dataManual = QDir::cleanPath(data.absoluteFilePath("Manual.pdf"));
    QFile::remove(dataManual);
    if (inWorkingDirectory)
        QVERIFY(QFile(workingManual).open(QIODevice::WriteOnly));
    if (inDataFolder)
        QVERIFY(QFile(dataManual).open(QIODevice::WriteOnly));

    ModalAnswerer answerer;
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    {
        Norvane window;
        window.actionManual->trigger();
    }
    QDesktopServices::unsetUrlHandler("file");
    QDir::setCurrent(previous);
    QFile::remove(dataManual);

    if (opened.isEmpty()) {
        QVERIFY(catcher.urls.isEmpty());
        QCOMPARE(answerer.texts(), QStringList{"Open Manual failed"});
        const QString informative = answerer.boxes().first().informative;
        QVERIFY2(informative.contains(QDir::toNativeSeparators(workingManual))
                     && informative.contains(QDir::toNativeSeparators(dataManual)),
                 qPrintable(informative));
        return;
    }
    const QString expected = opened == "working" ? workingManual : dataManual;
    QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(expected)});
    QVERIFY(answerer.boxes().isEmpty());
}

void TestWindow::saveLog_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("saved") << false;
    QTest::newRow("cancelled") << true;
}

void TestWindow::saveLog()
{
    QFETCH(bool, cancel);

    QTemporaryDir directory;
    QVERIFY(directory.isValid());
    const QString path = directory.filePath("session.log");
    ModalAnswerer answerer;
    answerer.queueFileDialogAnswer(cancel ? QString() : path);
    Norvane window;
    window.AppendLog(Info, "[Flash Hanlder] Flash command started");
    window.AppendLog(Error, "Flash Application: Port read timed out");

    window.actionSaveLog->trigger();

    QCOMPARE(answerer.fileDialogCaptions(), QStringList{"Save Log As"});
    QVERIFY(answerer.boxes().isEmpty());
    QCOMPARE(QDir(directory.path()).entryList(QDir::Files | QDir::Hidden), cancel ? QStringList() : QStringList{"session.log"});
    if (cancel)
        return;
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly | QIODevice::Text));
    QCOMPARE(QString::fromUtf8(saved.readAll()),
             QString("[Flash Hanlder] Flash command started\nFlash Application: Port read timed out\n"));
}

void TestWindow::logMenuOffersSaving()
{
    Norvane window;
    window.show();
    QStringList entries;
    QTimer::singleShot(0, this, [&entries] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (const QAction *action : menu->actions())
                entries << action->text();
            menu->close();
        }
    });
    emit window.progressTextEdit->customContextMenuRequested(QPoint(5, 5));
    QVERIFY2(entries.contains("Save Log As…"), qPrintable(entries.join(", ")));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
