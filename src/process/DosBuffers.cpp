#include "process/DosBuffers.h"

#include "process/DosCommand.h"

#include <QAbstractEventDispatcher>
#include <QTimer>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

TEvent::TEvent(Mode AMode) : FMode(AMode) {
    FFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (FFd < 0)
        throw EOSError(QString::fromLocal8Bit(std::strerror(errno)));
}

TEvent::~TEvent() {
    if (FFd >= 0)
        ::close(FFd);
}

void TEvent::SetEvent() {
    const std::uint64_t one = 1;
    // A full counter (EAGAIN) is already signalled, which is all a waiter needs.
    while (::write(FFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void TEvent::Consume() {
    if (FMode == ManualReset)
        return;
    std::uint64_t value = 0;
    while (::read(FFd, &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool TEvent::IsSet() const {
    pollfd p{FFd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

bool TSyncString::Add(const QString& AValue) {
    const std::lock_guard lock(FLock);
    const bool wasEmpty = FValue.isEmpty();
    FValue += AValue;
    return wasEmpty;
}

void TSyncString::Delete(int APos, int ACount) {
    const std::lock_guard lock(FLock);
    FValue.remove(APos - 1, ACount);
}

int TSyncString::Length() const {
    const std::lock_guard lock(FLock);
    return static_cast<int>(FValue.size());
}

QString TSyncString::Value() const {
    const std::lock_guard lock(FLock);
    return FValue;
}

void TSyncString::SetValue(const QString& AValue) {
    const std::lock_guard lock(FLock);
    FValue = AValue;
}

QString TSyncString::Take() {
    const std::lock_guard lock(FLock);
    return std::exchange(FValue, QString());
}

TInputLines::TInputLines() = default;

int TInputLines::Add(const QString& AValue) {
    int index = 0;
    {
        const std::lock_guard lock(FLock);
        FList.append(AValue);
        index = static_cast<int>(FList.size()) - 1;
    }
    FEvent.SetEvent();
    return index;
}

int TInputLines::Count() const {
    const std::lock_guard lock(FLock);
    return static_cast<int>(FList.size());
}

void TInputLines::Delete(int AIndex) {
    const std::lock_guard lock(FLock);
    FList.removeAt(AIndex);
}

QString TInputLines::Strings(int AIndex) const {
    const std::lock_guard lock(FLock);
    return FList.at(AIndex);
}

void TInputLines::SetStrings(int AIndex, const QString& AValue) {
    const std::lock_guard lock(FLock);
    FList[AIndex] = AValue;
}

QStringList& TInputLines::LockList() {
    FLock.lock();
    return FList;
}

void TInputLines::UnlockList() {
    FLock.unlock();
}

TProcessTimer::TProcessTimer() = default;

TProcessTimer::~TProcessTimer() {
    if (FTimer)
        FTimer->stop();
}

void TProcessTimer::SetEnabled(bool AValue) {
    if (AValue == FEnabled)
        return;
    if (AValue) {
        // Without an event loop on this thread the tick would never come and the time limits
        // would silently never fire.
        if (!QAbstractEventDispatcher::instance())
            throw EProcessTimer(QStringLiteral("could not start timer"));
        if (!FTimer) {
            FTimer = std::make_unique<QTimer>();
            FTimer->setInterval(1000);
            QObject::connect(FTimer.get(), &QTimer::timeout, [this] { Tick(); });
        }
        FEnabled = true;
        FTimer->start();
    } else {
        FEnabled = false;
        FTimer->stop();
    }
}

void TProcessTimer::Beginning() {
    FSinceBeginning.store(0);
    FSinceLastOutput.store(0);
    SetEnabled(true);
}

void TProcessTimer::Tick() {
    FSinceBeginning.fetch_add(1);
    FSinceLastOutput.fetch_add(1);
    FEvent.SetEvent();
}
