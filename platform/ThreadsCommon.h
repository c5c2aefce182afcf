#pragma once
// The thread count a VARNEX_THREADS value asks for, shared by both systems.

#include <cstdint>
#include <cstdlib>
#include <thread>

namespace platform::threads {

// 0 when the text is missing or not a whole number from 1 to 64.
inline int32_t Requested(const char* text) {
    if (text == nullptr || *text == '\0')
        return 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (*end != '\0' || value < 1 || value > 64)
        return 0;
    return static_cast<int32_t>(value);
}

inline int32_t ProcessorCount() {
    const unsigned count = std::thread::hardware_concurrency();
    return count == 0 ? 1 : static_cast<int32_t>(count > 64 ? 64 : count);
}

} // namespace platform::threads
