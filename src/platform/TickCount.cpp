#include "platform/TickCount.h"

#include <chrono>
#include <mutex>

namespace platform {
namespace {
std::mutex sourceLock;
std::function<std::uint32_t()> tickSource;
} // namespace

std::uint32_t GetTickCount() {
    {
        const std::lock_guard guard(sourceLock);
        if (tickSource)
            return tickSource();
    }
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void setTickSource(std::function<std::uint32_t()> source) {
    const std::lock_guard guard(sourceLock);
    tickSource = std::move(source);
}

} // namespace platform
