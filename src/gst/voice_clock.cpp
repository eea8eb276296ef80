#include "gst/voice_clock.h"

#include <algorithm>

namespace {

// Blocks a block late were seen for up to 2.7 s from the start; the voice is set by then,
// before most songs' singing begins.
constexpr std::int64_t kLearningNs = 3'000'000'000;

}  // namespace

std::int64_t VoiceClock::Place(std::int64_t stampedNs, std::int64_t arrivedNs) {
    const std::int64_t lateness = arrivedNs - stampedNs;
    if (blocks_ < 2) {
        correctionNs_ = lateness;
        learnUntilNs_ = arrivedNs + kLearningNs;
        ++blocks_;
    } else if (arrivedNs < learnUntilNs_) {
        correctionNs_ = std::min(correctionNs_, lateness);
    }
    return stampedNs + correctionNs_;
}
