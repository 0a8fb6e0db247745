#include "process/DosThread.h"

#include "platform/Dialogs.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QScopeGuard>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <pthread.h>
#include <system_error>
#include <unistd.h>

namespace {

QString systemText(int AErrno) {
    return QString::fromLocal8Bit(std::strerror(AErrno));
}

// An exception thrown by a handler of the owner must not unwind through the event loop.
template <typename F> void guarded(F&& AHandlerCall) {
    try {
        AHandlerCall();
    } catch (const Exception& e) {
        platform::dialogs().showException(e.message());
    } catch (const std::exception& e) {
        platform::dialogs().showException(QString::fromUtf8(e.what()));
    }
}

} // namespace

std::mutex TRunLink::FLock;

bool TRunLink::Queue(std::function<void()> ACall) {
    const std::lock_guard lock(FLock);
    // Later output must not join a batch queued before this call.
    FOpenBatch.reset();
    if (FDetached)
        return false;
    // Taking the lock on arrival, before touching the call, pairs with the release after
    // posting: thread checkers then see the hand-over that Qt's own queue performs out of their
    // sight.
    QMetaObject::invokeMethod(
        FOwner,
        [self = shared_from_this(), call = std::move(ACall)]() mutable {
            { const std::lock_guard lock(FLock); }
            self->Deliver(std::move(call));
        },
        Qt::QueuedConnection);
    return true;
}

bool TRunLink::QueueOutput(std::shared_ptr<TOutputBatch> ABatch,
                           std::function<void(const TOutputBatch&)> ADeliver) {
    const std::lock_guard lock(FLock);
    if (FDetached)
        return false;
    if (FOpenBatch) {
        std::move(ABatch->ops.begin(), ABatch->ops.end(), std::back_inserter(FOpenBatch->ops));
        std::move(ABatch->texts.begin(), ABatch->texts.end(),
                  std::back_inserter(FOpenBatch->texts));
        FOpenBatch->chars += ABatch->chars;
        return true;
    }
    FOpenBatch = ABatch;
    QMetaObject::invokeMethod(
        FOwner,
        [self = shared_from_this(), batch = std::move(ABatch), deliver = std::move(ADeliver)] {
            {
                const std::lock_guard arrival(FLock);
                if (self->FOpenBatch == batch)
                    self->FOpenBatch.reset();
            }
            self->Deliver([batch, deliver] { deliver(*batch); });
        },
        Qt::QueuedConnection);
    return true;
}

void TRunLink::Deliver(std::function<void()> ACall) {
    FInbox.push_back(std::move(ACall));
    // A handler that runs the event loop itself (processEvents) must not have later calls of the
    // run overtake the rest of the current one: they wait in the inbox for the outer delivery.
    if (FDelivering)
        return;
    FDelivering = true;
    while (!FInbox.empty()) {
        // A handler may have destroyed the component: nothing more may reach it.
        if (Detached()) {
            FInbox.clear();
            break;
        }
        const std::function<void()> call = std::move(FInbox.front());
        FInbox.pop_front();
        call();
    }
    FDelivering = false;
}

bool TRunLink::Synchronize(std::function<void()> ACall) {
    auto done = std::make_shared<bool>(false);
    auto self = shared_from_this();
    const bool queued = Queue([self, done, call = std::move(ACall)] {
        call();
        {
            const std::lock_guard lock(FLock);
            *done = true;
        }
        self->FDone.notify_all();
    });
    if (!queued)
        return false;
    std::unique_lock lock(FLock);
    FDone.wait(lock, [&] { return *done || FDetached; });
    return *done;
}

void TRunLink::Detach() {
    {
        const std::lock_guard lock(FLock);
        FDetached = true;
    }
    FDone.notify_all();
}

bool TRunLink::Detached() {
    const std::lock_guard lock(FLock);
    return FDetached;
}

void TDosThread::TFd::Close() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

TDosThread::TDosThread(TDosCommand* AOwner)
    : FOwner(AOwner), FLink(std::make_shared<TRunLink>(AOwner)), FCommandLine(AOwner->FCommandLine),
      FCurrentDir(AOwner->FCurrentDir), FEnvironment(AOwner->FEnvironment),
      FInputToOutput(AOwner->FInputToOutput), FLines(&AOwner->FLines),
      FOutputLines(AOwner->FOutputLines), FMaxTimeAfterBeginning(AOwner->FMaxTimeAfterBeginning),
      FMaxTimeAfterLastOutput(AOwner->FMaxTimeAfterLastOutput), FOnNewChar(AOwner->FOnNewChar),
      FOnNewLine(AOwner->FOnNewLine), FOnTerminateProcess(AOwner->FOnTerminateProcess),
      FPriority(AOwner->FPriority), FTimer(AOwner->FTimer.get()), FEndStatus(&AOwner->FEndStatus) {}

std::shared_ptr<TDosThread> TDosThread::Create(TDosCommand* AOwner) {
    std::shared_ptr<TDosThread> worker(new TDosThread(AOwner));
    const TEndStatus previous = worker->FEndStatus->exchange(esStill_Active);
    try {
        // The thread uses the plain pointer: the component joins it before letting go of the
        // worker.
        worker->FThread = std::thread([w = worker.get()] { w->Execute(); });
    } catch (const std::system_error& e) {
        // Nothing runs: the component stays idle and says why in its own terms.
        worker->FEndStatus->store(previous);
        throw EDosCommand(QStringLiteral("Could not start the worker thread: ") +
                          QString::fromLocal8Bit(e.what()));
    }
    return worker;
}

TDosThread::~TDosThread() {
    Join();
}

void TDosThread::Terminate() {
    FTerminated.store(true);
    FTerminateEvent.SetEvent();
}

void TDosThread::Join() {
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id())
        FThread.join();
}

// Worker thread.
void TDosThread::Execute() {
    pthread_setname_np(pthread_self(), "TDosThread");
    // A child that closed its input makes our write fail with EPIPE instead of killing us.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
    try {
        try {
            Run();
        } catch (const Exception&) {
            throw;
        } catch (const std::exception& e) {
            throw Exception(QString::fromUtf8(e.what()));
        }
    } catch (const Exception& e) {
        qDebug().noquote() << QStringLiteral("EXCEPTION: TDosThread ") + e.message();
        FEndStatus->exchange(esError);
        FFatal = std::current_exception();
    }
    dosprocess::ReapUnattachedChildren();
    // Last: the termination handler follows every call this run queued.
    FLink->Queue(
        [self = shared_from_this()] { guarded([&] { self->FOwner->WorkerTerminated(self); }); });
}

// Worker thread.
void TDosThread::Run() {
    try {
        CreatePipes();
        StartChild();
        const TProcessInformation info = FProcessInformation;
        FLink->Queue([owner = FOwner, info] { owner->FProcessInformation = info; });
        FOutWrite.Close();
        FInRead.Close();
        FReader = std::make_unique<TReadPipe>(FOutRead.fd, [this](const QByteArray& ABuf) {
            return FOwner->DecodeOutputBytes(this, ABuf);
        });
        FPending.clear();
        FExitCode = FChild.ExitCode();
        MainLoop();
        Ending();
    } catch (...) {
        // A failed run leaves no child behind.
        if (FChildStarted) {
            FChild.Kill();
            FCanTerminate = true;
        }
        CleanUp();
        throw;
    }
    CleanUp();
}

// Worker thread.
void TDosThread::CreatePipes() {
    std::array<int, 2> out{-1, -1};
    std::array<int, 2> in{-1, -1};
    if (::pipe2(out.data(), O_CLOEXEC) != 0)
        throw ECreatePipeError(QStringLiteral("Error creating Pipe: %1").arg(systemText(errno)));
    FOutRead.fd = out[0];
    FOutWrite.fd = out[1];
    if (::pipe2(in.data(), O_CLOEXEC) != 0)
        throw ECreatePipeError(QStringLiteral("Error creating Pipe: %1").arg(systemText(errno)));
    FInRead.fd = in[0];
    FInWrite.fd = in[1];
    // Our sending end only: a child that stops reading must not block the worker for good.
    const int flags = ::fcntl(FInWrite.fd, F_GETFL);
    if (flags < 0 || ::fcntl(FInWrite.fd, F_SETFL, flags | O_NONBLOCK) != 0)
        throw ECreatePipeError(QStringLiteral("Error creating Pipe: %1").arg(systemText(errno)));
}

// Worker thread.
void TDosThread::StartChild() {
    dosprocess::TSpawnRequest request;
    request.commandLine = FCommandLine;
    request.currentDir = FCurrentDir;
    request.extraEnvironment = FEnvironment;
    request.baseEnvironment = FBaseEnvironment;
    request.priorityClass = FPriority;
    request.stdinFd = FInRead.fd;
    request.stdoutFd = FOutWrite.fd;
    int error = 0;
    if (!FChild.Start(request, error))
        throw ECreateProcessError(QStringLiteral("Error creating Process: %1 - (%2)")
                                      .arg(FCommandLine, systemText(error)));
    FChildStarted = true;
    FProcessInformation.hProcess = FChild.PidFd();
    FProcessInformation.hThread = -1;
    FProcessInformation.dwProcessId = FChild.Pid();
    FProcessInformation.dwThreadId = FChild.Pid();
}

// Worker thread.
void TDosThread::MainLoop() {
    bool throttled = false;
    for (;;) {
        std::array<pollfd, 6> fds{{
            {throttled ? -1 : FReader->Event().Handle(), POLLIN, 0},
            {FInputLines.Event().Handle(), POLLIN, 0},
            {FChild.PidFd(), POLLIN, 0},
            {FTerminateEvent.Handle(), POLLIN, 0},
            {FTimer->Event().Handle(), POLLIN, 0},
            {throttled ? FEased.Handle() : -1, POLLIN, 0},
        }};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            throw EOSError(systemText(errno));
        }
        // The earliest ready source wins, and only its signal is taken.
        std::size_t source = 0;
        while (source < fds.size() && fds[source].revents == 0)
            ++source;
        switch (source) {
        case 0:
            FReader->Event().Consume();
            throttled = DrainOutput();
            break;
        case 1:
            FInputLines.Event().Consume();
            if (FInputLines.Count() > 0 && !FTerminated.load())
                DoSendLine();
            if (FInputLines.Count() > 0)
                FInputLines.Event().SetEvent();
            break;
        case 2:
            FExitCode = FChild.ExitCode();
            break;
        case 4:
            FTimer->Event().Consume();
            break;
        case 5:
            FEased.Consume();
            throttled = DrainOutput();
            break;
        default:
            break;
        }
        if (FTerminated.load() || FExitCode != dosprocess::StillActive)
            break;
        if (FMaxTimeAfterBeginning > 0 && FTimer->SinceBeginning() > FMaxTimeAfterBeginning)
            break;
        if (FMaxTimeAfterLastOutput > 0 && FTimer->SinceLastOutput() > FMaxTimeAfterLastOutput)
            break;
    }
}

// Worker thread.
bool TDosThread::DrainOutput() {
    while (FReader->ReadString().Length() > 0) {
        if (FBacklog.load() > MaxBacklog) {
            // Set before looking again, so that the interface's next delivery wakes us.
            FThrottled.store(true);
            if (FBacklog.load() > MaxBacklog)
                return true;
            FThrottled.store(false);
        }
        ProcessOutput();
    }
    return false;
}

// Worker thread. A child that has just ended may still have output in the pipe; it is delivered
// as long as the pipe keeps giving something within a second (a process the child started may
// hold the pipe open after the child's end).
void TDosThread::DrainAfterExit() {
    bool throttled = false;
    // What the child printed before its end is all delivered; waiting for more from whatever
    // still holds the pipe is bounded in total, so a process left behind that writes now and
    // then cannot keep the run from ending.
    constexpr int IdleBudgetMs = 1000;
    QElapsedTimer idle;
    qint64 idleSpentMs = 0;
    while (!FTerminated.load()) {
        throttled = DrainOutput();
        if (!throttled && FReader->AtEnd() && FReader->ReadString().Length() == 0)
            return;
        std::array<pollfd, 3> fds{{
            {throttled ? -1 : FReader->Event().Handle(), POLLIN, 0},
            {FTerminateEvent.Handle(), POLLIN, 0},
            {throttled ? FEased.Handle() : -1, POLLIN, 0},
        }};
        // Held back by a slow interface, the output is still coming: no time-out then.
        const int budget = static_cast<int>(IdleBudgetMs - idleSpentMs);
        if (!throttled && budget <= 0)
            return;
        idle.start();
        const int ready = ::poll(fds.data(), fds.size(), throttled ? -1 : budget);
        if (!throttled)
            idleSpentMs += idle.elapsed();
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return;
        if (fds[0].revents)
            FReader->Event().Consume();
        if (fds[2].revents)
            FEased.Consume();
    }
}

// Worker thread.
void TDosThread::ProcessOutput() {
    const QString text = FReader->ReadString().Take();
    FReader->Taken();
    if (text.isEmpty())
        return;
    if (!FBatch)
        FBatch = std::make_shared<TOutputBatch>();
    FBatch->texts.push_back(text);
    FBatch->chars += text.size();
    const bool withChars = static_cast<bool>(FOnNewChar);
    const auto* const p = reinterpret_cast<const char16_t*>(text.utf16());
    const qsizetype n = text.size();
    // The line being assembled: `current`, then the text from spanStart up to the character
    // being looked at.
    // Taken, not shared: appending then needs no copy while FPending still holds the text.
    QString current = std::exchange(FPending, QString());
    qsizetype spanStart = 0;
    const auto span = [&](qsizetype AEnd) {
        return QStringView(text).mid(spanStart, AEnd - spanStart);
    };
    qsizetype i = 0;
    while (i < n) {
        if (FTerminated.load(std::memory_order_relaxed)) {
            // The rest is dropped; the pending line is what was assembled up to here, so a line
            // already handed on is not handed on again at the end.
            FPending = current.append(span(i));
            FlushBatch();
            return;
        }
        if (!withChars) {
            while (i < n && p[i] != u'\r' && p[i] != u'\n' && p[i] != 0)
                ++i;
            if (i > 0)
                FLastChar = p[i - 1];
            if (i == n)
                break;
        }
        const qsizetype at = i++;
        const char16_t c = p[at];
        if (withChars)
            FBatch->ops.push_back({TOutputOp::Char, QChar(c), {}, {}});
        if (c == u'\r' || c == u'\n') {
            // CR LF is one line end, also when the CR ended the previous text.
            if (!(c == u'\n' && FLastChar == u'\r')) {
                FTimer->NewOutput();
                FBatch->ops.push_back(
                    {TOutputOp::Line, {}, std::exchange(current, QString()), span(at)});
            }
            spanStart = i;
        } else if (c == 0) {
            current += span(at);
            spanStart = i;
        }
        FLastChar = c;
    }
    FPending = current.append(span(n));
    if (!FPending.isEmpty()) {
        // The interface gets a text of its own: the pending line goes on growing here.
        FBatch->ops.push_back(
            {TOutputOp::Partial, {}, QString(FPending.constData(), FPending.size()), {}});
    }
    FlushBatch();
}

// Worker thread.
void TDosThread::FlushBatch() {
    if (!FBatch || FBatch->ops.empty()) {
        FBatch.reset();
        return;
    }
    FBacklog.fetch_add(FBatch->chars);
    FLink->QueueOutput(std::move(FBatch), [self = shared_from_this()](const TOutputBatch& ABatch) {
        self->DeliverBatch(ABatch);
    });
}

// Interface thread.
void TDosThread::DeliverBatch(const TOutputBatch& ABatch) {
    for (const TOutputOp& op : ABatch.ops) {
        // A handler may have destroyed the component (and the lines it owns) meanwhile.
        if (FLink->Detached())
            return;
        guarded([&] {
            switch (op.kind) {
            case TOutputOp::Char:
                FOnNewChar(FOwner, op.ch);
                break;
            case TOutputOp::Line: {
                const QString text = op.Text();
                FLines->append(text);
                if (FOutputLines)
                    FOutputLines->append(text);
                if (FOnNewLine)
                    FOnNewLine(FOwner, text, otEntireLine);
                break;
            }
            case TOutputOp::Partial:
            case TOutputOp::Echo: {
                const QString text = op.Text();
                if (op.kind == TOutputOp::Echo && FOutputLines)
                    FOutputLines->append(text);
                if (FOnNewLine)
                    FOnNewLine(FOwner, text,
                               op.kind == TOutputOp::Echo ? otEntireLine : otBeginningOfLine);
                break;
            }
            }
        });
    }
    FBacklog.fetch_sub(ABatch.chars);
    if (FThrottled.exchange(false))
        FEased.SetEvent();
}

// Worker thread.
void TDosThread::DoSendLine() {
    QString line = FInputLines.Strings(0);
    if (line.startsWith(u'_'))
        line += QStringLiteral("\r\n");
    line.remove(0, 1);
    if (line.isEmpty()) {
        FInputLines.Delete(0);
        return;
    }
    QByteArray bytes;
    FOwner->EncodeInputText(this, line, bytes);
    WriteToChild(bytes);
    if (FInputToOutput) {
        // The echo completes the line the child has begun (a prompt), without the line end.
        QString sent = line;
        if (sent.endsWith(QStringLiteral("\r\n")))
            sent.chop(2);
        FBatch = std::make_shared<TOutputBatch>();
        FBatch->ops.push_back({TOutputOp::Echo, {}, std::exchange(FPending, QString()) + sent, {}});
        FlushBatch();
    }
    FInputLines.Delete(0);
}

// Worker thread. A stop request while the child does not read abandons the rest.
void TDosThread::WriteToChild(const QByteArray& ABytes) {
    qsizetype written = 0;
    bool waited = false;
    // Signals taken while waiting here belong to the main loop too, which decides by its own
    // view of the back-pressure what to wait for next: both are given back, a spare wake-up
    // costs one empty look.
    const auto giveBackSignals = qScopeGuard([&] {
        if (waited) {
            FReader->Event().SetEvent();
            FEased.SetEvent();
        }
    });
    while (written < ABytes.size()) {
        const ssize_t r = ::write(FInWrite.fd, ABytes.constData() + written,
                                  static_cast<size_t>(ABytes.size() - written));
        if (r > 0) {
            written += r;
            continue;
        }
        if (r == 0)
            throw Exception(QStringLiteral("Incomplete write: %1 of %2 bytes written")
                                .arg(written)
                                .arg(ABytes.size()));
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN)
            throw Exception(QStringLiteral("Failed to write to pipe. Error code: %1").arg(errno));
        // A child that answers what it reads stops reading once its own output is not taken:
        // the output goes on being delivered while we wait for room.
        waited = true;
        const bool throttled = DrainOutput();
        std::array<pollfd, 4> fds{{
            {FInWrite.fd, POLLOUT, 0},
            {FTerminateEvent.Handle(), POLLIN, 0},
            {throttled ? -1 : FReader->Event().Handle(), POLLIN, 0},
            {throttled ? FEased.Handle() : -1, POLLIN, 0},
        }};
        if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            throw Exception(QStringLiteral("Failed to write to pipe. Error code: %1").arg(errno));
        if (FTerminated.load())
            return;
        if (fds[2].revents)
            FReader->Event().Consume();
        if (fds[3].revents)
            FEased.Consume();
    }
}

// Worker thread.
void TDosThread::Ending() {
    if (FExitCode != dosprocess::StillActive) {
        FEndStatus->exchange(esProcess);
        FCanTerminate = false;
        DrainAfterExit();
    } else {
        FCanTerminate = true;
        FEndStatus->exchange(FTerminated.load() ? esStop : esTime);
        DoTerminateProcess();
    }
    if (!FPending.isEmpty()) {
        FBatch = std::make_shared<TOutputBatch>();
        FBatch->ops.push_back({TOutputOp::Line, {}, std::exchange(FPending, QString()), {}});
        FlushBatch();
    }
}

// Worker thread.
void TDosThread::DoTerminateProcess() {
    FCanTerminate = true;
    if (FOnTerminateProcess) {
        bool canTerminate = true;
        const bool asked = FLink->Synchronize(
            [&] { guarded([&] { FOnTerminateProcess(FOwner, canTerminate); }); });
        // A component being destroyed cannot keep its child.
        if (asked)
            FCanTerminate = canTerminate;
    }
    if (FCanTerminate)
        FChild.Kill();
}

// Worker thread.
void TDosThread::CleanUp() {
    if (FChildStarted) {
        if (FCanTerminate)
            FChild.WaitFor(1000);
        FExitCode = FChild.ExitCode();
        FChild.Release();
    }
    if (FReader) {
        FReader->Terminate();
        FReader->WaitFor();
        FReader.reset();
    }
    FOutRead.Close();
    FInWrite.Close();
    FOutWrite.Close();
    FInRead.Close();
}
