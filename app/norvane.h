#ifndef APP_NORVANE_H
#define APP_NORVANE_H

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVector>

#include <initializer_list>

#include "ui_norvane.h"
#include "connection/operationevents.h"
#include "protocol/bootprotocol.h"
#include "protocol/commandresult.h"
#include "protocol/earlyanswers.h"
#include "rom/imagesummary.h"
#include "ui/logentry.h"

class QAction;
class QCloseEvent;
class QEventLoop;
class QMessageBox;
class QSerialPort;
class MyConnectButton;
class OperationStatus;
struct OperationTexts;
struct RomImage;

// Colour of a log line; any value other than Info and Error empties the pane.
enum LogKind : quint16 {
    Info = 0,
    Error = 1,
    Clear = 2
};

class Norvane : public QMainWindow, public Ui_Norvane
{
    Q_OBJECT

public:
    explicit Norvane(QWidget *parent = nullptr);
    ~Norvane() override;

    // ui/log.cpp
    void AppendLog(LogKind kind, const QString &text);
    void ShowMessage(const QString &text, const QString &informative);
    // Shown in the status bar and kept in the log's history.
    void ShowStatusReason(const QString &text);

    // connection/portlist.cpp, connection/portconnection.cpp
    void FillPortComboBox();
    void FillBaudRateComboBox();
    int OpenSerialPort();

    // protocol/transactions.cpp
    CommandResult SendJumpToBootloader();
    CommandResult SendVerifyApplication();
    CommandResult SendFlashApplicationStart();
    CommandResult SendEraseApplication();
    CommandResult SendResetECU();

    // protocol/resultreporting.cpp
    bool RunJumpToBootloader();
    bool RunVerifyApplication();
    bool RunEraseApplication();
    bool RunResetECU();

    // connection/operations.cpp
    void PulseControlLines();

    // connection/stoprequest.cpp
    // Ends the running operation before its next exchange, without Reset; a pause ends at once.
    void RequestStop();

    // rom/romfilecheck.cpp, rom/romselection.cpp
    bool CheckRomFile(RomImage *image);
    bool ReadChosenRomFile(RomImage *image);

    // rom/chunktransfer.cpp
    CommandResult SendFlashApplication(const RomImage &image);
    bool RunFlashApplication(const RomImage &image);
    void UpdateProgressLine(int percentage);

    // What the operations share; the tests and the rehearsal read it too.
    QString romFilePath;
    QSerialPort *serialPort;
    QString portName;
    int baudRate;
    QString toolVersion;
    bool busy;
    MyConnectButton *connectButton;
    QAction *actionSaveLog;
    // Every line as logged, with its time, and the status bar's reasons among them.
    QVector<LogEntry> logHistory;
    // Where the running operation stands, told to the status bar and to what drives the window.
    OperationEvents operationEvents;

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void HandleVerifyButton();
    void HandleBrowseButton();
    void HandleFlashButton();
    void HandleEraseButton();
    void HandleConnectButton(bool checked);
    void HandlePortIndex(const QString &str);
    void HandleBaudRateIndex(const QString &str);
    void HandleMenuContent(bool check);
    void HandleMenuAbout(bool check);

private:
    // ui/log.cpp
    void ReplaceLastLogLine(const QString &text);
    QMessageBox *MakeMessageBox(const QString &text, const QString &informative);
    void ShowBox(QMessageBox *box);

    // ui/busyrefusal.cpp
    bool RefusedWhileBusy();

    // connection/waits.cpp
    void Pause(int ms);
    bool WaitForResponseBytes(int timeoutMs);
    void WaitOnLine(QEventLoop *loop, int ms);
    void LetEventsRun();
    void RunEventLoopFor(QEventLoop *loop, int ms);

    // connection/portlist.cpp, connection/portconnection.cpp
    void RefreshPortComboBox();
    void CloseSerialPort();

    // connection/linewatch.cpp
    void WatchTheLine();
    bool LineLost() const;
    void DiscardInput();

    // connection/operations.cpp
    bool BeginOperation();
    void TellBegan(OperationListener::Operation operation);
    bool RunUpToCommand(const OperationTexts &texts, OperationListener::Step step, bool (Norvane::*command)());
    void FinishWithReset(const OperationTexts &texts);
    void FailOperation(const char *failedStep);
    void EndOperation(OperationListener::Outcome outcome, const char *failedStep);
    OperationListener::Outcome FailureOutcome() const;

    // protocol/transactions.cpp
    CommandResult SendCommand(FrameType type, quint8 successStatus, CommandResult failure,
                              const char *successLine, const char *failureLine);

    // protocol/exchange.cpp
    CommandResult Exchange(const QByteArray &request, const QByteArray &answers, QByteArray *response);
    CommandResult WaitForOutputToLeave(const QElapsedTimer &since, qint64 lineNs);
    CommandResult CollectResponse(const QByteArray &answers, QByteArray *response);
    bool AnswerIsDue() const;

    // protocol/unclaimedanswers.cpp
    void ClaimWaitingBytes();
    void TakeUnclaimedBytes(const QByteArray &bytes);
    void DropAnswer(OperationListener::DroppedAnswer why);
    void NameDropInFailure(CommandResult result, const char *failureLine);
    void ForgetEarlierAnswers();

    // protocol/resultreporting.cpp
    bool ReportResult(CommandResult result, std::initializer_list<ResultText> texts);

    // ui/legibleform.cpp
    void MakeFormLegible();

    // Desktop integration: ui/helpmenu.cpp, ui/logsaving.cpp
    QStringList ManualCandidates() const;
    void OpenManual(const QString &manual);
    void OpenManualWithDesktop(const QString &manual);
    void SetUpLogSaving();
    void ShowLogContextMenu(const QPoint &position);
    void SaveLogAs();
    QString SavedLogText() const;

    // rom/romselection.cpp
    void ShowRomFileSummary();

    // rom/chunktransfer.cpp
    CommandResult SendChunk(const QByteArray &dataArea, FrameType type, int percentage);

    // Waits under way; a slot that runs inside one must not hold the operation up.
    int openWaits;
    OperationStatus *operationStatus;
    // The file whose check passed last, and its image; none after a refusal.
    QString checkedRomFile;
    ImageSummary checkedRom;
    // The request out on the line: written when the clock started, when its answer can first
    // count (-1 while none is out), and the statuses that answer it.
    QElapsedTimer requestClock;
    qint64 answerDueNs;
    QByteArray requestAnswers;
    // What the line brought while no answer was due (protocol/unclaimedanswers.cpp): a refusal
    // held for the next answer, the last answer's status, the answers dropped in this
    // operation and the last drop no failure has named yet.
    EarlyAnswers earlyAnswers;
    QByteArray heldRefusal;
    quint8 lastAnswerStatus = 0;
    int droppedAnswers = 0;
    QString unnamedDrop;
    // The busy refusal on screen, if one is.
    QPointer<QMessageBox> busyBox;
    // The first red line of the running operation: why its step failed.
    QString failureCause;
    // connection/stoprequest.cpp
    bool stopRequested = false;
    QEventLoop *runningPause = nullptr;
};

#endif
