#include <QtTest>

#include <QTemporaryDir>

#include "platform/portidentity.h"

#if defined(Q_OS_WIN) || defined(PORTIDENTITY_COM_NAMES)

// COM ports are names, in any case and in either of the forms Windows opens.
class TestPortIdentity : public QObject
{
    Q_OBJECT

private slots:
    void comNames_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("same");
        QTest::newRow("the same name") << "COM12"
                                       << "COM12" << true;
        QTest::newRow("another case") << "COM12"
                                      << "com12" << true;
        QTest::newRow("device form") << "COM12"
                                     << "\\\\.\\COM12" << true;
        QTest::newRow("device form, slashes") << "//./com12"
                                              << "COM12" << true;
        QTest::newRow("another port") << "COM12"
                                      << "COM1" << false;
        QTest::newRow("no name") << ""
                                 << "" << false;
    }

    void comNames()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, same);
        QCOMPARE(SamePort(first, second), same);
        QCOMPARE(SamePort(second, first), same);
    }
};

#else

#include <sys/stat.h>
#include <unistd.h>

#include "sim/pseudoterminal.h"

// One pseudo-terminal under every name that leads to it, and a second one beside it.
class TestPortIdentity : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void namesOfOnePort_data();
    void namesOfOnePort();

private:
    PseudoTerminal port;
    PseudoTerminal otherPort;
    QTemporaryDir directory;
    QString previousDirectory;
    QString link;
    QString secondNode;
};

void TestPortIdentity::initTestCase()
{
    QString error;
    QVERIFY2(port.open(&error), qPrintable(error));
    QVERIFY2(otherPort.open(&error), qPrintable(error));
    QVERIFY(directory.isValid());
    link = directory.filePath("ttyLink");
    QVERIFY(QFile::link(port.slavePath(), link));
    struct stat status;
    QCOMPARE(::stat(QFile::encodeName(port.slavePath()).constData(), &status), 0);
    secondNode = directory.filePath("ttySecondNode");
    if (::mknod(QFile::encodeName(secondNode).constData(), S_IFCHR | 0600, status.st_rdev) != 0)
        secondNode.clear();
    // Relative names are taken from the working folder, as the serial port takes them.
    for (const char *name : {"plain", "other"}) {
        QFile file(directory.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    previousDirectory = QDir::currentPath();
    QVERIFY(QDir::setCurrent(directory.path()));
}

void TestPortIdentity::cleanupTestCase()
{
    QDir::setCurrent(previousDirectory);
}

void TestPortIdentity::namesOfOnePort_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("same");
    const QString path = port.slavePath();
    QTest::newRow("the same path") << path << path << true;
    QTest::newRow("a symbolic link") << path << link << true;
    QTest::newRow("a relative path") << path << QDir::current().relativeFilePath(path) << true;
    QTest::newRow("a link, relative") << path << "./ttyLink" << true;
    QTest::newRow("a name under /dev") << path << QString(path).remove(0, 5) << true;
    QTest::newRow("a second device node") << path << secondNode << true;
    QTest::newRow("another pseudo-terminal") << path << otherPort.slavePath() << false;
    QTest::newRow("a missing path") << path << directory.filePath("missing") << false;
    QTest::newRow("a missing path, twice") << "/dev/missing"
                                           << "/dev/missing" << false;
    QTest::newRow("the folder, not the device") << path << directory.path() << false;
    QTest::newRow("a file, by two paths") << directory.filePath("plain") << "./plain" << true;
    QTest::newRow("another file") << directory.filePath("plain") << directory.filePath("other") << false;
}

void TestPortIdentity::namesOfOnePort()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, same);
    if (second.isEmpty())
        QSKIP("mknod needs root: no second device node");
    QCOMPARE(SamePort(first, second), same);
    QCOMPARE(SamePort(second, first), same);
}

#endif

QTEST_GUILESS_MAIN(TestPortIdentity)
#include "tst_portidentity.moc"
