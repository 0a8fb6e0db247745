#pragma once
// TDosThread: the worker of one run. On its own thread it creates the pipes, starts the child,
// starts the pipe reader, then waits on five sources (output, input lines, the child's end, the
// stop request, the timer tick), turns output into lines, writes input lines, and at the end sets
// the end status, ends the child when stopped or timed out, and cleans up. Everything the
// interface may see goes through TRunLink to the interface thread, in first-in-first-out order.

#include "process/ChildProcess.h"
#include "process/DosBuffers.h"
#include "process/DosCommand.h"
#include "process/ReadPipe.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QStringDecoder>

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// What one drained text produced, raised in order on the interface thread by one queued call.
// A line is its prefix (text carried over from earlier texts, or built around dropped NULs)
// followed by a view into one of the batch's texts: the worker only scans, and the line strings
// are made on the interface thread that keeps them.
struct TOutputOp {
    enum Kind : unsigned char { Char, Line, Partial, Echo };
    Kind kind;
    QChar ch;
    QString prefix;
    QStringView tail;
    QString Text() const {
        return prefix.isEmpty() ? tail.toString() : QString(prefix).append(tail);
    }
};

struct TOutputBatch {
    std::vector<TOutputOp> ops;
    std::vector<QString> texts; // what the views point into
    qint64 chars = 0;
};

// The interface thread's call queue as the worker sees it: calls posted to the component through
// the Qt event loop. Once the component detaches (it is being destroyed) nothing more is posted
// and a worker waiting for a synchronous call is released.
class TRunLink : public std::enable_shared_from_this<TRunLink> {
public:
    explicit TRunLink(TDosCommand* AOwner) : FOwner(AOwner) {}
    // Any thread. False when the component has detached.
    bool Queue(std::function<void()> ACall);
    // Worker thread: queues output to be raised by ADeliver. While the last batch queued this way
    // has not reached the interface yet and nothing else was queued after it, the new output
    // joins that batch: a busy interface then gets fewer, larger calls, in the same order.
    bool QueueOutput(std::shared_ptr<TOutputBatch> ABatch,
                     std::function<void(const TOutputBatch&)> ADeliver);
    // Worker thread: runs ACall on the interface thread and waits for it. False when the
    // component detached before the call ran.
    bool Synchronize(std::function<void()> ACall);
    // Interface thread, from the component's destructor.
    void Detach();
    bool Detached();

private:
    // Interface thread: runs the call after every call that arrived before it.
    void Deliver(std::function<void()> ACall);

    // One lock for every link: the arrival side must be able to take it before it reads
    // anything the worker wrote (see Queue).
    static std::mutex FLock;
    std::condition_variable FDone;
    TDosCommand* FOwner;
    bool FDetached = false;
    std::shared_ptr<TOutputBatch> FOpenBatch; // under FLock
    std::deque<std::function<void()>> FInbox; // interface thread only
    bool FDelivering = false;                 // interface thread only
};

class TDosThread : public QObject, public std::enable_shared_from_this<TDosThread> {
public:
    // Interface thread: copies the component's settings and handlers and starts the thread.
    static std::shared_ptr<TDosThread> Create(TDosCommand* AOwner);
    ~TDosThread() override;

    // Interface thread: the stop request.
    void Terminate();
    // Interface thread: the component is going away; no more calls reach it.
    void Detach() { FLink->Detach(); }
    // Interface thread: waits until the thread has ended (it is ending when this is called).
    void Join();
    TInputLines& InputLines() { return FInputLines; }
    std::uint32_t ExitCode() const { return FExitCode; }
    std::exception_ptr FatalException() const { return FFatal; }
    // Pipe reader thread: the stateful decoder of the default output decoding.
    QStringDecoder& OutputDecoder() { return FDecoder; }

    // Output beyond this many characters posted and not yet raised holds the worker back.
    static constexpr qint64 MaxBacklog = 32 * 1024;

private:
    explicit TDosThread(TDosCommand* AOwner);

    // Worker thread, all of them.
    void Execute();
    void Run();
    void CreatePipes();
    void StartChild();
    void MainLoop();
    // Returns true when held back by the interface's backlog.
    bool DrainOutput();
    void DrainAfterExit();
    void ProcessOutput();
    void DoSendLine();
    void WriteToChild(const QByteArray& ABytes);
    void Ending();
    void DoTerminateProcess();
    void CleanUp();
    void FlushBatch();
    // Interface thread.
    void DeliverBatch(const TOutputBatch& ABatch);

    TDosCommand* FOwner;
    std::shared_ptr<TRunLink> FLink;
    QString FCommandLine;
    QString FCurrentDir;
    QStringList FEnvironment;
    // Taken on the interface thread when the run starts: the worker must not read the process's
    // environment while another thread may be changing it.
    QStringList FBaseEnvironment{QProcessEnvironment::systemEnvironment().toStringList()};
    TInputLines FInputLines;
    bool FInputToOutput;
    QStringList* FLines;
    QStringList* FOutputLines;
    int FMaxTimeAfterBeginning;
    int FMaxTimeAfterLastOutput;
    TNewCharEvent FOnNewChar;
    TNewLineEvent FOnNewLine;
    TTerminateProcessEvent FOnTerminateProcess;
    int FPriority;
    TProcessInformation FProcessInformation;
    TEvent FTerminateEvent{TEvent::ManualReset};
    std::atomic<bool> FTerminated{false};
    TProcessTimer* FTimer;
    std::atomic<TEndStatus>* FEndStatus;
    std::uint32_t FExitCode = 0; // StillActive from the child's start
    bool FCanTerminate = false;
    std::exception_ptr FFatal;
    QStringDecoder FDecoder{QStringDecoder::System};

    // Pipe ends: ours and the child's.
    struct TFd {
        int fd = -1;
        ~TFd() { Close(); }
        void Close();
    };
    TFd FOutRead, FOutWrite, FInRead, FInWrite;
    dosprocess::TChildProcess FChild;
    bool FChildStarted = false;
    std::unique_ptr<TReadPipe> FReader;

    // Output state of the run.
    QString FPending;
    char16_t FLastChar = 0;
    std::shared_ptr<TOutputBatch> FBatch;
    std::atomic<qint64> FBacklog{0};
    std::atomic<bool> FThrottled{false};
    TEvent FEased{TEvent::AutoReset};

    std::thread FThread;
};
