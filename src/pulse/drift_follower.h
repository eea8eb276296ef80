#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Two sound devices never run at quite the same rate: a microphone a little slower than
// the output drains what the output holds until it runs dry, a faster one fills it. The
// follower plays the microphone a hair faster or slower (at most half a percent, a
// twelfth of a semitone) so that the output keeps the same amount in hand, as the
// servers' own loopbacks do, instead of breaking the voice when the devices drift apart.
class DriftFollower {
  public:
    explicit DriftFollower(int channels) : channels_(channels), last_(channels, 0) {}

    // What the output holds and should hold, in seconds, elapsed seconds since the last
    // reading: sets the rate for what comes next.
    void Follow(double queued, double target, double elapsed);
    // Output frames made per microphone frame, 1 while the devices agree.
    double ratio() const { return 1 + correction_; }
    // Appends the frames (interleaved 16-bit) played at the current ratio to out.
    void Play(const std::int16_t* frames, std::size_t count, std::vector<std::int16_t>& out);

  private:
    int channels_;
    std::vector<std::int16_t> last_;  // the frame before the next one played
    bool started_ = false;
    double position_ = 0;  // of the next output frame, after last_ (0) towards what comes
    double error_ = 0;     // smoothed, seconds
    double learned_ = 0;   // the drift learnt over time
    double correction_ = 0;
};
