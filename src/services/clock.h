#pragma once

#include <cstdint>
#include <memory>

// The calendar time.
class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since 1970-01-01 00:00:00 UTC.
    virtual std::int64_t Now() = 0;
};

std::unique_ptr<Clock> MakeSystemClock();
