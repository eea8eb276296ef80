#include "pulse/playthrough_target.h"

#include <gtest/gtest.h>

TEST(PlaythroughTarget, GrowsOnceForEachLateMomentUpToItsLimit) {
    PlaythroughTarget target;
    EXPECT_EQ(target.usec(), 7000u);
    // The server reports the same late moment twice.
    target.RanDry(75'000'000);
    target.RanDry(75'000'400);
    EXPECT_EQ(target.usec(), 17000u);
    target.RanDry(75'200'000);
    EXPECT_EQ(target.usec(), 27000u);
    for (std::uint64_t second = 80; second < 100; ++second) target.RanDry(second * 1'000'000);
    EXPECT_EQ(target.usec(), 150000u);
}
