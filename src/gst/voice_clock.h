#pragma once

#include <cstdint>

// When the microphone took each block in, on the steady clock. The source numbers its
// blocks by their samples from where it placed the first one, which it rounds to a block:
// an error of up to a block, another in every take. A block comes soon after it is taken
// in, never before: the least delay between the source's numbering and the blocks'
// arrivals over the take's first seconds puts the numbering back on the clock. Blocks
// often come a block late for a while, so a second or two may pass before one comes on
// time. The very first block is left out: it brings what the microphone held before.
// Nothing is mixed until the correction is learnt, so a take's voice never steps.
class VoiceClock {
  public:
    // stampedNs: the block's first frame by the source's numbering; arrivedNs: when the
    // block came. Returns when its first frame was taken in, but for a delay that is the
    // same in every take (a block's length).
    std::int64_t Place(std::int64_t stampedNs, std::int64_t arrivedNs);
    // What the source's numbering is moved by; it changes during the first seconds only.
    std::int64_t correctionNs() const { return correctionNs_; }
    // When the correction stops changing (steady clock); 0 before the first block.
    std::int64_t learntAtNs() const { return learnUntilNs_; }

  private:
    int blocks_ = 0;  // counted up to the second
    std::int64_t learnUntilNs_ = 0;
    std::int64_t correctionNs_ = 0;
};
