#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

// The rehearsal program as a user starts it, with the simulated unit's faults.
class TestRehearsal : public QObject
{
    Q_OBJECT

private slots:
    void faultsReachTheWindow_data();
    void faultsReachTheWindow();
};

void TestRehearsal::faultsReachTheWindow_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("a failure status for Erase") << QStringList{"--fail", "12"} << 1
        << QStringList{"  log: Erase Application: Received erase failure response", "  log: [Flash Hanlder] Erase failed",
                       "  log: [Erase Hanlder] Erase failed", "Walk-through FAILED"};
    QTest::newRow("a hang-up after the second data frame") << QStringList{"--hang-up-after", "5"} << 1
        << QStringList{"  log: [Flash Hanlder] Flashing.. 12%", "  log: [Flash Hanlder] Flash failed",
                       "Message box: Please connect to the port!", "Walk-through FAILED"};
    QTest::newRow("a value that cannot be used") << QStringList{"--hang-up-after", "two"} << 2
        << QStringList{"varnholt-rehearsal: --hang-up-after needs a positive number"};
}

void TestRehearsal::faultsReachTheWindow()
{
    QFETCH(QStringList, options);
    QFETCH(int, exitCode);
    QFETCH(QStringList, lines);

    QTemporaryDir shots;
    QProcess rehearsal;
    rehearsal.setProcessChannelMode(QProcess::MergedChannels);
    rehearsal.start(REHEARSAL_PROGRAM, QStringList{"--walkthrough", shots.path()} + options);
    // Each operation takes its 4.1 s of fixed waits.
    QVERIFY2(rehearsal.waitForFinished(60000), "the rehearsal did not end within 60 s");

    const QStringList printed = QString::fromUtf8(rehearsal.readAll()).split('\n');
    QCOMPARE(rehearsal.exitStatus(), QProcess::NormalExit);
    QCOMPARE(rehearsal.exitCode(), exitCode);
    int from = 0;
    for (const QString &line : lines) {
        from = printed.indexOf(line, from);
        QVERIFY2(from >= 0, qPrintable(QString("\"%1\" is missing or out of order in:\n%2").arg(line, printed.join('\n'))));
    }
}

QTEST_GUILESS_MAIN(TestRehearsal)
#include "tst_rehearsal.moc"
