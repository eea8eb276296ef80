#include "pulse/drift_follower.h"

#include <algorithm>
#include <cmath>

namespace {

// Half a percent is more than any two sound cards drift apart and too little to hear.
constexpr double kMostCorrection = 0.005;
// Readings of what the output holds jump by a few milliseconds from one to the next: the
// error counts smoothed over half a second.
constexpr double kSmoothing = 0.5;
// 1 ms off the target plays 0.1 % faster or slower at once, and the drift itself is learnt
// within seconds. Gentler (0.3 % for 10 ms, the drift learnt over a minute), the output of
// a test server whose microphone runs 0.2 % slow stood 6 ms short of its target for the
// first minute, and ran dry there.
constexpr double kProportional = 1.0;
constexpr double kIntegral = 0.1;

}  // namespace

void DriftFollower::Follow(double queued, double target, double elapsed) {
    elapsed = std::clamp(elapsed, 0.0, 1.0);
    error_ += (queued - target - error_) * std::min(1.0, elapsed / kSmoothing);
    learned_ =
        std::clamp(learned_ - kIntegral * error_ * elapsed, -kMostCorrection, kMostCorrection);
    correction_ = std::clamp(learned_ - kProportional * error_, -kMostCorrection, kMostCorrection);
}

void DriftFollower::Play(const std::int16_t* frames, std::size_t count,
                         std::vector<std::int16_t>& out) {
    if (count == 0) return;
    if (!started_) {
        // The first frame stands where the output begins: nothing came before it.
        std::copy(frames, frames + channels_, last_.begin());
        frames += channels_;
        --count;
        started_ = true;
    }
    const double step = 1 / ratio();
    const auto end = static_cast<double>(count);
    // An output frame at position p lies between frame p and the next, counted from the
    // last one kept (0) to the last one given now (count).
    for (; position_ <= end; position_ += step) {
        const auto whole = static_cast<std::size_t>(position_);
        const double fraction = position_ - static_cast<double>(whole);
        const std::int16_t* before = whole == 0 ? last_.data() : frames + (whole - 1) * channels_;
        const std::int16_t* after = whole < count ? frames + whole * channels_ : before;
        for (int channel = 0; channel < channels_; ++channel)
            out.push_back(static_cast<std::int16_t>(
                std::lround(before[channel] + (after[channel] - before[channel]) * fraction)));
    }
    position_ -= end;
    if (count > 0)
        std::copy(frames + (count - 1) * channels_, frames + count * channels_, last_.begin());
}
