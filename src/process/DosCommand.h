#pragma once
// TDosCommand runs one console program at a time with its standard streams redirected and reports
// what it prints line by line, and its end, on the interface thread.
//
// Using it (the owner lives on the interface thread, which must run a Qt event loop):
//
//     DosCommand1 = new TDosCommand(this);          // parented: destroyed with its window
//     DosCommand1->setOnNewLine([this](TDosCommand* ASender, const QString& ANewLine,
//                                      TOutputType AOutputType) { ... });
//     DosCommand1->setOnTerminated([this](TDosCommand* ASender) { ... });
//     DosCommand1->setCommandLine(QStringLiteral("whisper-cli -m \"my model.bin\" ..."));
//     DosCommand1->Execute();                       // returns at once
//     ...
//     DosCommand1->Stop();                          // the STOP button; returns at once
//
// Events are plain std::function handlers, assigned with setOn...() and read back with On...();
// an empty function means "none". Every handler except OnCharDecoding (pipe reader thread) and
// OnCharEncoding (worker thread) runs on the interface thread, in the order the worker produced
// the calls: for every complete line `Lines` grows before its OnNewLine, and every call of a run
// comes before that run's single OnTerminated. An exception thrown by a handler is shown through
// platform::dialogs().showException and delivery goes on.
//
// The command line follows the quoting rules of a Windows command line: "quoted parts" keep
// blanks, \" is a literal quote, and an unquoted program path holding blanks is kept whole as far
// as it names an existing file. The child gets no terminal; its standard output and standard error
// arrive merged.
//
// Line splitting: CR, LF and CR LF (also split across reads) end a line, so progress output
// rewritten with CR arrives as complete lines; NUL characters are dropped from lines (OnNewChar
// still sees them). After each piece of output, a line still waiting for its end is announced
// with otBeginningOfLine and everything received so far; only its complete form, announced with
// otEntireLine, goes into Lines and OutputLines.
//
// How runs end (EndStatus): esProcess when the child ended by itself (what it printed before its
// end is still delivered, and an unfinished last line arrives as a complete line); esStop after
// Stop and esTime after a time limit, both killing the child (ExitCode 0) unless
// OnTerminateProcess keeps it; esError when the child could not be started or input could not be
// written: the exception goes to OnExecuteError, or else to an error box through
// platform::dialogs(), and a child already started is killed. Every Execute that returns leads
// to exactly one OnTerminated, with IsRunning already false, so OnTerminated may call Execute.
// Every run reaps its child and closes everything it opened.
//
// Output reaches the interface in batches as fast as the interface takes it; when the interface
// falls behind, the child is held back by its full pipe rather than our memory growing.
//
// Destroying the component during a run stops the run: handlers are no longer called, the child
// is killed and reaped, and the destructor waits (briefly) for the worker to finish.

#include "platform/Exception.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class TDosCommand;
class TDosThread;
class TProcessTimer;

enum TEndStatus : int {
    esStop,         // stopped with Stop; the child was terminated
    esProcess,      // the child ended by itself
    esStill_Active, // a run is in progress
    esNone,         // no run yet
    esError,        // the run failed (see OnExecuteError)
    esTime          // a time limit ended the run; the child was terminated
};

enum TOutputType : int {
    otEntireLine,     // a complete line (it is also in Lines)
    otBeginningOfLine // everything received so far of a line whose end has not arrived yet
};

// Handles and ids of a child. The process handle is a pidfd while the run lasts and -1 once the
// run has released it; a Linux process has no separate primary thread handle, so hThread is -1
// and dwThreadId equals dwProcessId.
struct TProcessInformation {
    int hProcess = 0;
    int hThread = 0;
    std::int64_t dwProcessId = 0;
    std::int64_t dwThreadId = 0;
};

// Misuse of the component.
class EDosCommand : public Exception {
    using Exception::Exception;
};
// The pipes to the child could not be created.
class ECreatePipeError : public Exception {
    using Exception::Exception;
};
// The child could not be started.
class ECreateProcessError : public Exception {
    using Exception::Exception;
};
// The one-second run timer could not be started or stopped.
class EProcessTimer : public Exception {
    using Exception::Exception;
};
// A failed system call reported with the system's text for its error code.
class EOSError : public Exception {
    using Exception::Exception;
};

// Name of an exception's most derived class, as the error box shows it ("ECreateProcessError").
QString exceptionClassName(const Exception& AE);

using TNewLineEvent =
    std::function<void(TDosCommand* ASender, const QString& ANewLine, TOutputType AOutputType)>;
using TNewCharEvent = std::function<void(TDosCommand* ASender, QChar ANewChar)>;
using TErrorEvent = std::function<void(TDosCommand* ASender, const Exception& AE, bool& AHandled)>;
using TNotifyEvent = std::function<void(TDosCommand* ASender)>;
using TTerminateProcessEvent = std::function<void(TDosCommand* ASender, bool& ACanTerminate)>;
// ASender is the worker that read or sends the bytes; handlers may ignore it.
using TCharDecoding = std::function<QString(QObject* ASender, const QByteArray& ABuf)>;
using TCharEncoding =
    std::function<void(QObject* ASender, const QString& AChars, QByteArray& AOutBuf)>;

class TDosCommand : public QObject {
    Q_OBJECT

public:
    explicit TDosCommand(QObject* AOwner = nullptr);
    ~TDosCommand() override;
    TDosCommand(const TDosCommand&) = delete;
    TDosCommand& operator=(const TDosCommand&) = delete;

    // Starts a run and returns at once. Raises EDosCommand "DosCommand still running" while a run
    // is in progress and "No Commandline to execute" when CommandLine is empty.
    void Execute();
    // Asks the running worker to stop (end status esStop); does nothing when nothing runs.
    void Stop();
    // Queues AValue for the child's standard input, followed by CR LF when AEol is true.
    // Raises EDosCommand "DosCommand not running" when nothing runs.
    void SendLine(const QString& AValue, bool AEol);

    // Complete command line of the child: program and arguments.
    const QString& CommandLine() const { return FCommandLine; }
    void setCommandLine(const QString& AValue) { FCommandLine = AValue; }
    // Working directory of the child; empty: ours.
    const QString& CurrentDir() const { return FCurrentDir; }
    void setCurrentDir(const QString& AValue) { FCurrentDir = AValue; }
    // Extra NAME=value entries added after our own environment; changed in place.
    QStringList& Environment() { return FEnvironment; }
    // Echo each line sent with SendLine into OutputLines and OnNewLine (not Lines) as a complete
    // line: the unfinished line the child had printed (a prompt) followed by the sent text.
    bool InputToOutput() const { return FInputToOutput; }
    void setInputToOutput(bool AValue) { FInputToOutput = AValue; }
    // Seconds the child may run; 0 or less: no limit. Ends after the tick that exceeds it.
    int MaxTimeAfterBeginning() const { return FMaxTimeAfterBeginning; }
    void setMaxTimeAfterBeginning(int AValue) { FMaxTimeAfterBeginning = AValue; }
    // Seconds the child may go without completing a line; 0 or less: no limit.
    int MaxTimeAfterLastOutput() const { return FMaxTimeAfterLastOutput; }
    void setMaxTimeAfterLastOutput(int AValue) { FMaxTimeAfterLastOutput = AValue; }
    // The platform priority-class flag (NORMAL_PRIORITY_CLASS = 32 by default), mapped to a nice
    // value for the child.
    int Priority() const { return FPriority; }
    void setPriority(int AValue) { FPriority = AValue; }

    // Handlers; the worker copies OnNewLine, OnNewChar and OnTerminateProcess at Execute.
    const TCharDecoding& OnCharDecoding() const { return FOnCharDecoding; }
    void setOnCharDecoding(TCharDecoding AValue); // raises "DosCommand still running" in a run
    const TCharEncoding& OnCharEncoding() const { return FOnCharEncoding; }
    void setOnCharEncoding(TCharEncoding AValue); // the same rule
    const TErrorEvent& OnExecuteError() const { return FonExecuteError; }
    void setOnExecuteError(TErrorEvent AValue) { FonExecuteError = std::move(AValue); }
    const TNewCharEvent& OnNewChar() const { return FOnNewChar; }
    void setOnNewChar(TNewCharEvent AValue) { FOnNewChar = std::move(AValue); }
    const TNewLineEvent& OnNewLine() const { return FOnNewLine; }
    void setOnNewLine(TNewLineEvent AValue) { FOnNewLine = std::move(AValue); }
    const TNotifyEvent& OnTerminated() const { return FOnTerminated; }
    void setOnTerminated(TNotifyEvent AValue) { FOnTerminated = std::move(AValue); }
    const TTerminateProcessEvent& OnTerminateProcess() const { return FOnTerminateProcess; }
    void setOnTerminateProcess(TTerminateProcessEvent AValue) {
        FOnTerminateProcess = std::move(AValue);
    }

    // How the last run ended, or esStill_Active during a run; readable at any time.
    TEndStatus EndStatus() const { return FEndStatus.load(); }
    // The child's exit code, taken when the run has ended (0 after a kill by Stop or a limit).
    std::uint32_t ExitCode() const { return FExitCode; }
    // From Execute until just before OnExecuteError/OnTerminated.
    bool IsRunning() const { return FThread != nullptr; }
    // Every complete output line of the current or last run.
    const QStringList& Lines() const { return FLines; }
    // An outside list that also receives every complete line; never cleared here. Not owned.
    QStringList* OutputLines() const { return FOutputLines; }
    void setOutputLines(QStringList* AValue) { FOutputLines = AValue; }
    const TProcessInformation& ProcessInformation() const { return FProcessInformation; }

    // The output decoder (pipe reader thread, once per chunk read): OnCharDecoding when assigned,
    // else the locale's narrow encoding, keeping a character cut by the chunk end for the next
    // chunk of the same run.
    virtual QString DecodeOutputBytes(QObject* ASender, const QByteArray& ABuf);
    // The input encoder (worker thread, once per line sent): OnCharEncoding when assigned, else
    // the locale's narrow encoding.
    virtual void EncodeInputText(QObject* ASender, const QString& AChars, QByteArray& AOutBuf);

private:
    friend class TDosThread;
    // Interface thread: the worker has ended and every call it queued has run.
    void WorkerTerminated(const std::shared_ptr<TDosThread>& ASender);
    void showExceptionBox(const Exception& AE);

    QString FCommandLine;
    QString FCurrentDir;
    QStringList FEnvironment;
    std::uint32_t FExitCode = 0;
    bool FInputToOutput = false;
    QStringList FLines;
    int FMaxTimeAfterBeginning = 0;
    int FMaxTimeAfterLastOutput = 0;
    TCharDecoding FOnCharDecoding;
    TCharEncoding FOnCharEncoding;
    TErrorEvent FonExecuteError;
    TNewCharEvent FOnNewChar;
    TNewLineEvent FOnNewLine;
    TNotifyEvent FOnTerminated;
    TTerminateProcessEvent FOnTerminateProcess;
    QStringList* FOutputLines = nullptr;
    int FPriority = 32;
    std::shared_ptr<TDosThread> FThread;
    std::unique_ptr<TProcessTimer> FTimer;
    std::atomic<TEndStatus> FEndStatus{esNone};
    TProcessInformation FProcessInformation;
};
