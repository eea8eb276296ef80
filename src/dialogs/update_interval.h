#pragma once

#include <cstdint>

// 180 days.
inline constexpr std::int64_t kUpdateIntervalSeconds = 15552000;

// The settings store holds the time of the last update question in 32 bits.
inline std::int32_t StoredTimeOf(std::int64_t time) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(time));
}

// The 64-bit time nearest to now whose low 32 bits were stored. Before 2038 this is the
// stored value widened with its sign; afterwards it keeps working where sign widening
// would make every exit ask.
inline std::int64_t WidenStoredTime(std::int32_t stored, std::int64_t now) {
    const auto distance = static_cast<std::int32_t>(static_cast<std::uint32_t>(StoredTimeOf(now)) -
                                                    static_cast<std::uint32_t>(stored));
    return now - distance;
}
