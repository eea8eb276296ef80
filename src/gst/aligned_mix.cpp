#include "gst/aligned_mix.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::int64_t kSecondNs = 1'000'000'000;
// The output's clock stands while the output fills its buffer, and then runs: its place
// against the steady clock counts once it has held this long within the jitter.
constexpr std::int64_t kClockSteadyNs = 400'000'000;
constexpr std::int64_t kClockJitterNs = 4'000'000;
// The readings the clock's place is the mean of, at most: a few seconds' worth.
constexpr int kClockReadings = 256;
// A frame is placed once it has been heard this long, by the clock's latest word.
constexpr std::int64_t kSettleNs = 300'000'000;
// A microphone that has not delivered the voice this long after it was due has stalled:
// the song goes on without it.
constexpr std::int64_t kStallNs = 1'500'000'000;
// A block whose time strays this far from the count of frames before it starts anew (the
// microphone restarted); smaller strays are clock drift, followed slowly.
constexpr std::int64_t kVoiceJumpNs = 40'000'000;
constexpr int kDriftSmoothing = 64;
// Voice older than this before the song frame being mixed is no longer needed.
constexpr std::int64_t kVoiceKeptNs = 2 * kSecondNs;

std::int16_t ToSample(float value) {
    return static_cast<std::int16_t>(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
}

}  // namespace

void AlignedMix::AddSong(const SongBlock& block) {
    if (block.frames == 0 || block.rate <= 0 || block.channels <= 0) return;
    if (format_.rate == 0) format_ = {block.rate, block.channels};
    NoteArrived(block.samples, block.frames * block.channels);
    song_.push_back(
        {std::vector<float>(block.samples, block.samples + block.frames * block.channels),
         block.rate, block.channels, block.runningNs, block.epoch});
}

bool AlignedMix::ClockOffset::settled() const {
    return lastReadNs - steadySinceNs >= kClockSteadyNs;
}

void AlignedMix::SetSongClock(const SongClock& clock) {
    const auto [found, added] = clockOffsets_.try_emplace(
        clock.epoch, ClockOffset{clock.offsetNs, clock.readNs, clock.readNs, 0});
    ClockOffset& offset = found->second;
    // A reading far off the mean is the clock moving (it stands while the output fills
    // its buffer): the mean starts again from it. Within the jitter, the readings are
    // averaged, which a single one, taken between two ticks of the output, is not.
    if (added || std::abs(clock.offsetNs - offset.offsetNs) > kClockJitterNs) {
        offset = {clock.offsetNs, clock.readNs, clock.readNs, 1};
    } else {
        offset.readings = std::min(offset.readings + 1, kClockReadings);
        offset.offsetNs += (clock.offsetNs - offset.offsetNs) / offset.readings;
        offset.lastReadNs = clock.readNs;
    }
    // Only the epochs still waiting in the song matter.
    while (clockOffsets_.size() > 8) clockOffsets_.erase(clockOffsets_.begin());
}

void AlignedMix::AddVoice(const float* samples, std::size_t frames, int rate, int channels,
                          std::int64_t capturedNs) {
    if (voiceEnded_ || frames == 0 || rate <= 0 || channels <= 0) return;
    NoteArrived(samples, frames * channels);
    const std::uint64_t number = voiceFirst_ + voice_.size();
    if (voiceRate_ != rate) {
        voice_.clear();
        voiceFirst_ = 0;
        voiceRate_ = rate;
        voiceAnchorNs_ = capturedNs;
    } else {
        const auto expected =
            voiceAnchorNs_ + static_cast<std::int64_t>(number * kSecondNs / voiceRate_);
        const std::int64_t stray = capturedNs - expected;
        if (std::abs(stray) > kVoiceJumpNs) {
            voice_.clear();
            voiceFirst_ = 0;
            voiceAnchorNs_ = capturedNs;
        } else {
            voiceAnchorNs_ += stray / kDriftSmoothing;
        }
    }
    for (std::size_t frame = 0; frame < frames; ++frame) {
        float sum = 0;
        for (int channel = 0; channel < channels; ++channel)
            sum += samples[frame * channels + channel];
        voice_.push_back(sum / static_cast<float>(channels));
    }
}

float AlignedMix::VoiceAt(std::int64_t t) const {
    if (voiceRate_ == 0 || voice_.empty()) return 0;
    const double position =
        static_cast<double>(t - voiceAnchorNs_) * voiceRate_ / kSecondNs - voiceFirst_;
    if (position < 0 || position >= static_cast<double>(voice_.size() - 1)) return 0;
    const auto index = static_cast<std::size_t>(position);
    const auto fraction = static_cast<float>(position - index);
    return voice_[index] * (1 - fraction) + voice_[index + 1] * fraction;
}

// Whether the voice taken in at t may still arrive: later than the last frame in, from a
// microphone that has neither gone nor stalled.
bool AlignedMix::VoiceCanCome(std::int64_t t, std::int64_t nowNs) const {
    if (voiceEnded_ || nowNs - t > kStallNs) return false;
    if (voiceRate_ == 0) return true;
    const auto lastIn = voiceAnchorNs_ + static_cast<std::int64_t>((voiceFirst_ + voice_.size()) *
                                                                   kSecondNs / voiceRate_);
    return t + kSecondNs / voiceRate_ >= lastIn;
}

void AlignedMix::ForgetVoiceBefore(std::int64_t t) {
    if (voiceRate_ == 0) return;
    const std::int64_t since = t - voiceAnchorNs_;
    if (since <= 0) return;
    const auto keepFrom = static_cast<std::uint64_t>(since * voiceRate_ / kSecondNs);
    while (voiceFirst_ < keepFrom && !voice_.empty()) {
        voice_.pop_front();
        ++voiceFirst_;
    }
}

void AlignedMix::NoteArrived(const float* samples, std::size_t count) {
    if (mixing_) return;
    for (std::size_t i = 0; i < count; ++i)
        arrivedPeak_ = std::max(arrivedPeak_, std::abs(samples[i]));
}

void AlignedMix::Mix(std::int64_t nowNs, bool final, const Write& write) {
    if (!final && nowNs < heldUntilNs_) {
        lastPeak_ = std::min(1.0, arrivedPeak_ * gain_);
        arrivedPeak_ = 0;
        return;
    }
    mixing_ = true;
    std::vector<std::int16_t> mix;
    std::vector<std::int16_t> voice;
    const int channels = format_.channels;
    float peak = 0;
    std::int64_t lastVoiceTime = nowNs - kVoiceKeptNs;
    while (!song_.empty()) {
        const Block& block = song_.front();
        const auto offset = clockOffsets_.find(block.epoch);
        // Before the output has played a block its place is not known yet; at the end,
        // whatever was never played is written without voice.
        if ((offset == clockOffsets_.end() || !offset->second.settled()) && !final) break;
        const std::size_t frames = block.samples.size() / block.channels;
        const auto takenAt = [&](std::size_t frame) {
            return block.runningNs + offset->second.offsetNs + offsetNs_ +
                   static_cast<std::int64_t>(frame * kSecondNs / block.rate);
        };
        const auto ready = [&](std::size_t frame) {
            const std::int64_t taken = takenAt(frame);
            return final || (taken - offsetNs_ + kSettleNs <= nowNs && !VoiceCanCome(taken, nowNs));
        };
        const bool placed = offset != clockOffsets_.end();
        // Readiness only grows with time: a block whose last frame is ready is ready whole,
        // and only the block at the edge is looked at frame by frame.
        const bool wholeBlock = !placed || ready(frames - 1);
        mix.reserve(mix.size() + (frames - nextFrame_) * channels);
        voice.reserve(voice.size() + frames - nextFrame_);
        bool waiting = false;
        for (; nextFrame_ < frames; ++nextFrame_) {
            float sung = 0;
            if (placed) {
                if (!wholeBlock && !ready(nextFrame_)) {
                    waiting = true;
                    break;
                }
                lastVoiceTime = takenAt(nextFrame_);
                sung = VoiceAt(lastVoiceTime);
            }
            const float* frame = &block.samples[nextFrame_ * block.channels];
            for (int channel = 0; channel < channels; ++channel) {
                const float song = frame[std::min(channel, block.channels - 1)];
                const float mixed = static_cast<float>((song + sung) * gain_);
                peak = std::max(peak, std::abs(mixed));
                mix.push_back(ToSample(mixed));
            }
            voice.push_back(ToSample(static_cast<float>(sung * gain_)));
        }
        if (waiting) break;
        song_.pop_front();
        nextFrame_ = 0;
    }
    ForgetVoiceBefore(lastVoiceTime - kVoiceKeptNs);
    if (voice.empty()) return;
    lastPeak_ = peak;
    write(mix, voice);
}
