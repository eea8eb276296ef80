#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "gst/song_tap.h"

// Puts the singer's voice where it was sung against what the singer heard, and mixes it
// into the song. The song's frames carry the moment the output plays them; the voice's,
// the moment the microphone took them in (both on the steady clock, each stream's latency
// at the sound server already taken off). The voice for a song frame heard at h is the
// one taken in at h + offset, the offset being what the server cannot know: the way
// through the air and the singer's own delay. The file's first frame is the song's first.
class AlignedMix {
  public:
    // Interleaved 16-bit mix in the song's channels, and the voice alone (mono), of the
    // same frames.
    using Write =
        std::function<void(std::span<const std::int16_t> mix, std::span<const std::int16_t> voice)>;

    void AddSong(const SongBlock& block);
    void SetSongClock(const SongClock& clock);
    // capturedNs: when the block's first frame was taken in.
    void AddVoice(const float* samples, std::size_t frames, int rate, int channels,
                  std::int64_t capturedNs);
    // The voice already in was taken in byNs later than it was said to be.
    void MoveVoice(std::int64_t byNs) { voiceAnchorNs_ += byNs; }
    // Until steadyNs the voice's place may still move: nothing is mixed before then.
    void HoldUntil(std::int64_t steadyNs) { heldUntilNs_ = steadyNs; }
    // No more voice is coming: the song goes on alone.
    void EndVoice() { voiceEnded_ = true; }
    void SetOffsetNs(std::int64_t offset) { offsetNs_ = offset; }
    void SetGain(double gain) { gain_ = gain; }

    // Mixes every song frame whose voice is in by nowNs (or can no longer come); with
    // final, everything that is left.
    void Mix(std::int64_t nowNs, bool final, const Write& write);
    // Of the first song frame; zero before it came.
    SongFormat format() const { return format_; }
    bool hasSong() const { return !song_.empty(); }
    // The loudest sample of the last mix, 0 to 1; while nothing is mixed yet, of what came
    // in since the last look, so that the meter shows the singer from the start.
    double lastPeak() const { return lastPeak_; }

  private:
    struct Block {
        std::vector<float> samples;
        int rate = 0;
        int channels = 0;
        std::int64_t runningNs = 0;
        std::uint64_t epoch = 0;
    };
    // The voice at steady-clock time t, interpolated; 0 where there is none.
    float VoiceAt(std::int64_t t) const;
    bool VoiceCanCome(std::int64_t t, std::int64_t nowNs) const;
    void NoteArrived(const float* samples, std::size_t count);
    void ForgetVoiceBefore(std::int64_t t);

    std::deque<Block> song_;
    std::size_t nextFrame_ = 0;  // in the front block
    struct ClockOffset {
        std::int64_t offsetNs = 0;
        std::int64_t steadySinceNs = 0;  // when it last moved
        std::int64_t lastReadNs = 0;
        int readings = 0;
        bool settled() const;
    };
    std::map<std::uint64_t, ClockOffset> clockOffsets_;
    SongFormat format_;
    std::deque<float> voice_;         // mono
    std::uint64_t voiceFirst_ = 0;    // the number of voice_.front() since the voice began
    std::int64_t voiceAnchorNs_ = 0;  // when voice frame number 0 was taken in
    int voiceRate_ = 0;
    bool voiceEnded_ = false;
    std::int64_t offsetNs_ = 0;
    std::int64_t heldUntilNs_ = 0;
    double gain_ = 1.0;
    double lastPeak_ = 0;
    float arrivedPeak_ = 0;  // until the first mix
    bool mixing_ = false;
};
