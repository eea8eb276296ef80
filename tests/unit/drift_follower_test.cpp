#include "pulse/drift_follower.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr double kStep = 0.005;  // the microphone hands over 5 ms at a time

// What the follower plays of a stereo ramp, handed over in blocks of odd sizes.
std::vector<std::int16_t> PlayRamp(DriftFollower& follower, int frames) {
    std::vector<std::int16_t> ramp;
    for (int n = 0; n < frames; ++n)
        ramp.insert(ramp.end(), {std::int16_t(n * 8), std::int16_t(-n * 8)});
    std::vector<std::int16_t> out;
    for (int from = 0; from < frames;) {
        const int count = std::min(frames - from, 37 + from % 23);
        follower.Play(ramp.data() + from * 2, count, out);
        from += count;
    }
    return out;
}

}  // namespace

TEST(DriftFollower, PlaysTheMicrophoneAsItIsWhileTheDevicesAgree) {
    DriftFollower follower(2);
    const std::vector<std::int16_t> out = PlayRamp(follower, 1000);
    ASSERT_EQ(out.size(), 2000u);
    for (int n = 0; n < 1000; ++n) {
        EXPECT_EQ(out[n * 2], n * 8);
        EXPECT_EQ(out[n * 2 + 1], -n * 8);
    }
}

// Faster or slower, the voice stays whole: no frame jumps across the blocks' edges.
TEST(DriftFollower, AFasterOrSlowerVoiceStaysContinuous) {
    for (const double queued : {0.0, 0.1}) {
        DriftFollower follower(2);
        for (int i = 0; i < 200; ++i) follower.Follow(queued, 0.03, kStep);
        const double ratio = follower.ratio();
        EXPECT_NEAR(std::abs(ratio - 1), 0.005, 1e-9) << "at most half a percent";
        EXPECT_EQ(ratio > 1, queued < 0.03) << "an output short of its target gets more";
        const std::vector<std::int16_t> out = PlayRamp(follower, 4000);
        EXPECT_NEAR(out.size() / 2.0, 4000 * ratio, 2);
        for (std::size_t n = 1; n < out.size() / 2; ++n) {
            EXPECT_NEAR(out[n * 2] - out[n * 2 - 2], 8 / ratio, 1.01) << n;
            EXPECT_EQ(out[n * 2 + 1], -out[n * 2]);
        }
    }
}

// A microphone 0.2 % slower than the output, as on the test server, or 0.1 % faster:
// the output settles on its target, without swinging past it far.
TEST(DriftFollower, TheOutputSettlesOnItsTargetWhateverTheDrift) {
    for (const double drift : {-0.002, 0.001}) {
        DriftFollower follower(1);
        double queued = 0.03;
        double farthest = 0;
        double afterTenSeconds = 0;
        for (int i = 0; i < 120 / kStep; ++i) {
            if (i == static_cast<int>(10 / kStep)) afterTenSeconds = queued;
            // Readings jump by a few milliseconds.
            const double reading = queued + 0.003 * std::sin(i * 1.7);
            follower.Follow(reading, 0.03, kStep);
            queued += (follower.ratio() * (1 + drift) - 1) * kStep;
            farthest = std::max(farthest, std::abs(queued - 0.03));
        }
        EXPECT_NEAR(queued, 0.03, 0.002) << drift;
        EXPECT_NEAR(afterTenSeconds, 0.03, 0.0015) << drift << ": it holds its target soon";
        EXPECT_LT(farthest, 0.012) << drift;
    }
}
