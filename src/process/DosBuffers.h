#pragma once
// The small pieces the process runner shares across threads: events that poll() can wait on, the
// guarded output text and input line list, and the one-second run timer.

#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>

class QTimer;

// An event backed by an eventfd, so that several of them and the child's pidfd can be waited on
// together with poll(). Auto-reset events are consumed by the waiter (several signals before a
// wait collapse into one); a manual-reset event is never consumed and stays signalled.
class TEvent {
public:
    enum Mode { AutoReset, ManualReset };
    explicit TEvent(Mode AMode);
    ~TEvent();
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void SetEvent();
    // Takes the signal of an auto-reset event; does nothing for a manual-reset one.
    void Consume();
    // Whether the event is signalled now, without consuming it.
    bool IsSet() const;
    int Handle() const { return FFd; }

private:
    int FFd = -1;
    Mode FMode;
};

// Decoded output text: appended by the pipe reader, taken by the worker.
class TSyncString {
public:
    // Returns whether the buffer was empty before.
    bool Add(const QString& AValue);
    // Removes ACount characters from the 1-based position APos.
    void Delete(int APos, int ACount);
    int Length() const;
    QString Value() const;
    void SetValue(const QString& AValue);
    // Takes the whole text away in one step (the worker's "read all, then delete that much").
    QString Take();

private:
    mutable std::recursive_mutex FLock;
    QString FValue;
};

// Lines waiting for the child's standard input. Every Add signals Event after the lock is free.
class TInputLines {
public:
    TInputLines();
    int Add(const QString& AValue);
    int Count() const;
    void Delete(int AIndex);
    QString Strings(int AIndex) const;
    void SetStrings(int AIndex, const QString& AValue);
    // Holds the lock until UnlockList; callers pair them.
    QStringList& LockList();
    void UnlockList();
    TEvent& Event() { return FEvent; }

private:
    mutable std::recursive_mutex FLock;
    QStringList FList;
    TEvent FEvent{TEvent::AutoReset};
};

// One tick per second while enabled, counting whole seconds since Beginning and since the last
// complete output line. Lives on the interface thread: its ticks come from that thread's event
// loop, so the counters advance only while the interface dispatches events. The worker reads the
// counters and waits on Event from its own thread.
class TProcessTimer {
public:
    TProcessTimer();
    ~TProcessTimer();
    TProcessTimer(const TProcessTimer&) = delete;
    TProcessTimer& operator=(const TProcessTimer&) = delete;

    bool Enabled() const { return FEnabled; }
    // Raises EProcessTimer "could not start timer" when this thread has no event loop to tick.
    void SetEnabled(bool AValue);
    void Beginning();
    void Ending() { SetEnabled(false); }
    // Worker thread: a complete line has arrived.
    void NewOutput() { FSinceLastOutput.store(0); }
    int SinceBeginning() const { return FSinceBeginning.load(); }
    int SinceLastOutput() const { return FSinceLastOutput.load(); }
    TEvent& Event() { return FEvent; }
    // One second has passed (called by the tick source).
    void Tick();

private:
    bool FEnabled = false;
    TEvent FEvent{TEvent::AutoReset};
    std::atomic<int> FSinceBeginning{0};
    std::atomic<int> FSinceLastOutput{0};
    std::unique_ptr<QTimer> FTimer;
};
