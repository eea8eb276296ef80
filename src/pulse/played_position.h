#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// How far the output has played, from the server's timing reports: each says where the
// output read at a moment, and it reads on at the stream's rate. A report can lag: PipeWire
// accounts what its graph took a cycle or more late, and a report read then says the
// output holds up to 13 ms more than it does. No report runs ahead of the output, so of
// the recent reports, the one furthest on tells best.
class PlayedPosition {
  public:
    // Reports older than this are dropped: the devices' clocks drifting apart would make
    // them tell wrong, by at most a millisecond at this age.
    static constexpr std::uint64_t kRecentUsec = 250000;

    // A report: at atUsec the output had read readBytes and was playing or not.
    void Report(std::uint64_t atUsec, std::int64_t readBytes, bool playing) {
        if (count_ > 0 && reports_[Newest()].atUsec >= atUsec) return;
        // What an output that stopped reported before says nothing of where it stands now.
        if (!playing) count_ = 0;
        reports_[(first_ + count_) % kMost] = {atUsec, readBytes, playing};
        if (count_ < kMost)
            ++count_;
        else
            first_ = (first_ + 1) % kMost;
    }

    // After the output ran dry or was emptied, it reads on from elsewhere. Until a later
    // report tells where, the last one is taken as it stands: the output then seems to
    // hold more than it does rather than less, so that it is not filled twice.
    void Forget() {
        if (count_ == 0) return;
        Reading newest = reports_[Newest()];
        newest.playing = false;
        reports_[0] = newest;
        first_ = 0;
        count_ = 1;
    }

    // Where the output reads at nowUsec, reading bytesPerUsec; nothing before a report.
    std::optional<std::int64_t> At(std::uint64_t nowUsec, double bytesPerUsec) const {
        std::optional<std::int64_t> furthest;
        for (std::size_t i = 0; i < count_; ++i) {
            const Reading& report = reports_[(first_ + i) % kMost];
            if (report.atUsec + kRecentUsec < nowUsec && i + 1 < count_) continue;
            const std::uint64_t since = nowUsec > report.atUsec ? nowUsec - report.atUsec : 0;
            const std::int64_t read =
                report.readBytes +
                (report.playing
                     ? static_cast<std::int64_t>(static_cast<double>(since) * bytesPerUsec)
                     : 0);
            furthest = std::max(furthest.value_or(read), read);
        }
        return furthest;
    }

  private:
    struct Reading {
        std::uint64_t atUsec = 0;
        std::int64_t readBytes = 0;
        bool playing = false;
    };
    static constexpr std::size_t kMost = 16;
    std::size_t Newest() const { return (first_ + count_ - 1) % kMost; }

    std::array<Reading, kMost> reports_{};
    std::size_t first_ = 0;
    std::size_t count_ = 0;
};
