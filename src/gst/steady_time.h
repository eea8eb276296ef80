#pragma once

#include <chrono>
#include <cstdint>

// Now on the steady clock, the one the song's and the voice's times are compared on.
inline std::int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
