#pragma once

#include <optional>

#include "gst/wav_recording.h"

// Plays a few clicks through the song's output and records them as the song-and-microphone
// input would, the voice unshifted: how late the microphone hears them, beyond the
// latencies the sound server reports, is the offset that places the voice. Nothing when
// the microphone heard no click (headphones, a muted microphone). Runs the event loop
// while it waits, a few seconds at most.
std::optional<int> MeasureVoiceOffsetMs(const WavRecording::Source& microphone);
