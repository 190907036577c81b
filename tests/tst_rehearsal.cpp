#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>

// The rehearsal program as a user starts it, with the simulated unit's faults.
class TestRehearsal : public QObject
{
    Q_OBJECT

private slots:
    void aHangUpReachesTheWindow();
};

// The unit's faults are what make the rehearsal worth a technician's time.
void TestRehearsal::aHangUpReachesTheWindow()
{
    QTemporaryDir shots;
    QProcess rehearsal;
    rehearsal.setProcessChannelMode(QProcess::MergedChannels);
    rehearsal.start(REHEARSAL_PROGRAM, {"--walkthrough", shots.path(), "--hang-up-after", "5"});
    // Each operation takes its 4.1 s of fixed waits.
    QVERIFY2(rehearsal.waitForFinished(60000), "the rehearsal did not end within 60 s");
    const QStringList printed = QString::fromUtf8(rehearsal.readAll()).split('\n');
    QCOMPARE(rehearsal.exitCode(), 1);
    int from = 0;
    // Cut off after the second data frame, the flash fails and the port is gone.
    for (const char *line : {"  log: [Flash Hanlder] Flashing.. 12%", "  log: [Flash Hanlder] Flash failed",
                             "Message box: Please connect to the port!", "Walk-through FAILED"}) {
        from = printed.indexOf(line, from);
        QVERIFY2(from >= 0,
                 qPrintable(QString("\"%1\" is missing or out of order in:\n%2").arg(line, printed.join('\n'))));
    }
}

QTEST_GUILESS_MAIN(TestRehearsal)
#include "tst_rehearsal.moc"
