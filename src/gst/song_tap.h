#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

typedef struct _GstElement GstElement;

// The song as it is heard: the samples that leave the playback pipeline's audio stages
// (after volume, channel, key and tempo), handed to whoever listens on the streaming
// thread. A block's place in time is its running time plus the offset of its epoch (a
// flushing seek starts a new epoch), which maps it onto the steady clock at the moment the
// output plays it; the offset is only known for sure once the output's clock runs, so it
// comes separately and keeps being renewed while the song plays.
struct SongBlock {
    const float* samples = nullptr;  // interleaved
    std::size_t frames = 0;
    int rate = 0;
    int channels = 0;
    std::int64_t runningNs = 0;
    std::uint64_t epoch = 0;
};

struct SongClock {
    std::uint64_t epoch = 0;
    std::int64_t offsetNs = 0;  // heard at steady-clock ns = runningNs + offsetNs
    std::int64_t readNs = 0;    // when the clock was read, on the steady clock
    // How long until the block just handed to the output is heard, by the server's
    // playback position; negative while unknown.
    std::int64_t outputLatencyNs = -1;
};

struct SongFormat {
    int rate = 0;
    int channels = 0;
};

class SongListener {
  public:
    virtual ~SongListener() = default;
    virtual void OnSongBlock(const SongBlock& block) = 0;
    virtual void OnSongClock(const SongClock& clock) = 0;
};

// Taps the output of stage, the last of the song's audio stages.
void TapSongOutput(GstElement* stage);
// At most one listener, which replaces any other. Stopping returns once no call reaches
// the listener; a listener already replaced is left as it is.
void ListenToSong(SongListener* listener);
void StopListeningToSong(SongListener* listener);
// The format of the last song that passed the tap, zero before any.
SongFormat LastSongFormat();
