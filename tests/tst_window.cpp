#include <QtTest>

#include <QAction>
#include <QDesktopServices>
#include <QDir>
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

// The Help menu.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void about();
    void manual_data();
    void manual();
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

void TestWindow::manual_data()
{
    QTest::addColumn<bool>("viewerPresent");
    QTest::newRow("no viewer") << false;
    QTest::newRow("viewer present") << true;
}

void TestWindow::manual()
{
    QFETCH(bool, viewerPresent);
    QTemporaryDir directory;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(directory.path()));

    ModalAnswerer answerer;
    Norvane window;
    UrlCatcher catcher;
    if (viewerPresent)
        QDesktopServices::setUrlHandler("file", &catcher, "open");
    window.actionManual->trigger();
    QDesktopServices::unsetUrlHandler("file");
    QDir::setCurrent(previous);

    if (viewerPresent) {
        QCOMPARE(catcher.urls, QList<QUrl>{QUrl::fromLocalFile(QDir(directory.path()).absoluteFilePath("Manual.pdf"))});
        QVERIFY(answerer.boxes().isEmpty());
    } else {
        // Nothing can open a file here, so the desktop services refuse.
        QCOMPARE(answerer.texts(), QStringList{"Open Manual failed"});
    }
    QVERIFY(window.progressTextEdit->toPlainText().isEmpty());
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
