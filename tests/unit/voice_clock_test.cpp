#include "gst/voice_clock.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr std::int64_t kMs = 1'000'000;
constexpr std::int64_t kBlock = 10 * kMs;

}  // namespace

// The source's numbering is 7 ms off, its first block comes early with what the microphone
// held, and most blocks come up to 20 ms late: once a few have come on time every block is
// placed a block's length after it was taken in, and stays there for the rest of the take.
TEST(VoiceClock, PlacesEveryBlockByTheOnesThatCameOnTime) {
    VoiceClock clock;
    std::srand(3);
    for (std::int64_t k = 0; k < 1000; ++k) {
        const std::int64_t taken = 1000 * kMs + k * kBlock;
        const std::int64_t onTime = taken + kBlock;
        std::int64_t arrived = onTime + (1 + std::rand() % 20) * kMs;
        if (k == 0) arrived = onTime - 6 * kMs;
        if (k % 37 == 20) arrived = onTime;
        // After the first seconds, a block that comes early moves nothing.
        if (k == 600) arrived = onTime - 5 * kMs;
        const std::int64_t placed = clock.Place(taken - 7 * kMs, arrived);
        if (k > 20) ASSERT_EQ(placed, onTime) << "block " << k;
    }
}
