#pragma once
// A 32-bit millisecond counter from a monotonic clock; it wraps like the original system counter.
// Tests may replace the source to make time-dependent rules repeatable.

#include <cstdint>
#include <functional>

namespace platform {

std::uint32_t GetTickCount();
// Installs a replacement source; an empty function restores the clock.
void setTickSource(std::function<std::uint32_t()> source);

} // namespace platform
