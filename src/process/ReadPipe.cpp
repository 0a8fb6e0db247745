#include "process/ReadPipe.h"

#include "process/DosCommand.h"

#include <QDebug>

#include <array>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

TReadPipe::TReadPipe(int AReadStdout, TDecode ADecode)
    : Fread_stdout(AReadStdout), FOnCharDecoding(std::move(ADecode)) {
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

// Reader thread.
void TReadPipe::ReadLoop() {
    std::array<char, ChunkSize> buffer{};
    bool streamOpen = true;
    while (!FTerminated.load()) {
        const bool full = FSyncString.Length() >= MaxBuffered;
        std::array<pollfd, 2> fds{{{FWake.Handle(), POLLIN, 0},
                                   {full ? FSpace.Handle() : Fread_stdout, POLLIN, 0}}};
        const nfds_t count = streamOpen ? 2 : 1;
        if (::poll(fds.data(), count, -1) < 0) {
            if (errno == EINTR)
                continue;
            throw EOSError(QString::fromLocal8Bit(std::strerror(errno)));
        }
        if (FTerminated.load())
            break;
        if (count < 2 || fds[1].revents == 0)
            continue;
        if (full) {
            FSpace.Consume();
            continue;
        }
        ssize_t got = ::read(Fread_stdout, buffer.data(), buffer.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got < 0)
            throw Exception(QStringLiteral("Assertion failure"));
        if (FTerminated.load())
            break;
        if (got == 0) {
            // Every writer has closed the pipe: nothing more can come.
            streamOpen = false;
            FAtEnd.store(true);
            FEvent.SetEvent();
            continue;
        }
        FSyncString.Add(FOnCharDecoding(QByteArray(buffer.data(), static_cast<qsizetype>(got))));
        FEvent.SetEvent();
    }
}
