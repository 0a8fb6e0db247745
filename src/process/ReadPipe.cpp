#include "process/ReadPipe.h"

#include "process/DosCommand.h"

#include <QDebug>

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

TReadPipe::TReadPipe(int AReadStdout, TDecode ADecode)
    : Fread_stdout(AReadStdout), FOnCharDecoding(std::move(ADecode)) {
    // Only we read from this end, so not blocking on it changes nothing for the child.
    const int flags = ::fcntl(Fread_stdout, F_GETFL);
    if (flags >= 0)
        ::fcntl(Fread_stdout, F_SETFL, flags | O_NONBLOCK);
    FThread = std::thread([this] { Execute(); });
}

TReadPipe::~TReadPipe() {
    if (FThread.joinable()) {
        Terminate();
        WaitFor();
    }
}

void TReadPipe::Terminate() {
    // The flag first: whatever the woken read returns is then dropped.
    FTerminated.store(true);
    FWake.SetEvent();
}

void TReadPipe::WaitFor() {
    if (FThread.joinable())
        FThread.join();
}

void TReadPipe::Execute() {
    pthread_setname_np(pthread_self(), "TReadPipe");
    try {
        ReadLoop();
    } catch (const std::exception& e) {
        // Nobody else is told: the worker just receives no more output for this run.
        qDebug().noquote() << QStringLiteral("EXCEPTION: TReadPipe Execute ") +
                                  QString::fromUtf8(e.what());
    }
}

// Reader thread. Returns false when the thread is to end.
bool TReadPipe::WaitForInput(bool AStreamOpen) {
    for (;;) {
        const bool full = FSyncString.Length() >= MaxBuffered;
        std::array<pollfd, 2> fds{
            {{FWake.Handle(), POLLIN, 0}, {full ? FSpace.Handle() : Fread_stdout, POLLIN, 0}}};
        const nfds_t count = AStreamOpen || full ? 2 : 1;
        if (::poll(fds.data(), count, -1) < 0 && errno != EINTR)
            throw EOSError(QString::fromLocal8Bit(std::strerror(errno)));
        if (FTerminated.load())
            return false;
        if (count < 2 || fds[1].revents == 0)
            continue;
        if (!full)
            return true;
        FSpace.Consume();
    }
}

// Reader thread.
void TReadPipe::ReadLoop() {
    std::array<char, ChunkSize> buffer{};
    // While output flows, read first and wait only when the pipe is empty.
    bool readFirst = false;
    for (;;) {
        if (!readFirst || FSyncString.Length() >= MaxBuffered) {
            if (!WaitForInput(true))
                return;
        }
        const ssize_t got = ::read(Fread_stdout, buffer.data(), buffer.size());
        readFirst = got > 0;
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0)
            throw Exception(QStringLiteral("Assertion failure"));
        if (FTerminated.load())
            return;
        if (got == 0) {
            // Every writer has closed the pipe: nothing more can come.
            FAtEnd.store(true);
            FEvent.SetEvent();
            WaitForInput(false);
            return;
        }
        // Text added to a buffer the worker has not emptied yet is taken together with the text
        // before it, whose signal is still pending or being handled: one signal is enough.
        if (FSyncString.Add(
                FOnCharDecoding(QByteArray(buffer.data(), static_cast<qsizetype>(got)))))
            FEvent.SetEvent();
    }
}
