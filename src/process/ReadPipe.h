#pragma once
// The pipe reader: a thread that reads the child's merged output in chunks of at most 1024 bytes,
// decodes each chunk and appends the text to its TSyncString for the worker.

#include "process/DosBuffers.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <thread>

class TReadPipe {
public:
    using TDecode = std::function<QString(const QByteArray& ABuf)>;
    // Text beyond this many characters waits in the pipe until the worker has taken the buffer,
    // so a child that outruns the interface fills its pipe and blocks instead of our memory.
    static constexpr int MaxBuffered = 32 * 1024;
    static constexpr int ChunkSize = 1024;

    // Starts reading AReadStdout (not owned) at once. ADecode runs on the reader's thread.
    TReadPipe(int AReadStdout, TDecode ADecode);
    // Stops and joins the thread if the owner has not done it.
    ~TReadPipe();
    TReadPipe(const TReadPipe&) = delete;
    TReadPipe& operator=(const TReadPipe&) = delete;

    // Asks the thread to end; the read in progress is dropped, whatever it returned.
    void Terminate();
    // Waits until the thread has ended.
    void WaitFor();
    // The worker has taken text: a reader held back by MaxBuffered may go on.
    void Taken() { FSpace.SetEvent(); }

    // Signalled after every chunk appended and once at the end of the stream.
    TEvent& Event() { return FEvent; }
    TSyncString& ReadString() { return FSyncString; }
    // Every writer of the pipe has closed it and everything read has been appended.
    bool AtEnd() const { return FAtEnd.load(); }

private:
    // Reader thread.
    void Execute();
    void ReadLoop();
    bool WaitForInput(bool AStreamOpen);

    int Fread_stdout;
    TDecode FOnCharDecoding;
    TEvent FEvent{TEvent::AutoReset};
    TEvent FWake{TEvent::ManualReset};
    TEvent FSpace{TEvent::AutoReset};
    TSyncString FSyncString;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FAtEnd{false};
    std::thread FThread;
};
