#pragma once

#include <algorithm>
#include <cstdint>

// How much the playthrough's output keeps in hand against late moments, in microseconds.
// Every time the output runs dry it grows a step, up to a limit. The server may report one
// late moment more than once (two underflows within the same millisecond), and one moment
// counts once: the silence given after the first report is what covers it.
class PlaythroughTarget {
  public:
    static constexpr std::uint64_t kFirstUsec = 7000;
    static constexpr std::uint64_t kStepUsec = 10000;
    static constexpr std::uint64_t kMostUsec = 150000;
    static constexpr std::uint64_t kOneMomentUsec = 100000;

    explicit PlaythroughTarget(std::uint64_t firstUsec = kFirstUsec) : usec_(firstUsec) {}

    std::uint64_t usec() const { return usec_; }

    void RanDry(std::uint64_t nowUsec) {
        if (grown_ && nowUsec - grownAt_ < kOneMomentUsec) return;
        usec_ = std::min(usec_ + kStepUsec, kMostUsec);
        grownAt_ = nowUsec;
        grown_ = true;
    }

  private:
    std::uint64_t usec_;
    std::uint64_t grownAt_ = 0;
    bool grown_ = false;
};
