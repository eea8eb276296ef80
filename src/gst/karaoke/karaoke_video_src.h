#pragma once

#include <gst/gst.h>

#include <memory>

#include "karaoke/karaoke_frames.h"

// A GStreamer source of raw video that draws karaoke frames (CD+G screens or lyrics) at
// 25 frames a second, timestamped from the start of the song, so the video sink shows
// them on the pipeline's clock beside the song's audio. It seeks like a file and runs
// as long as the audio it follows.
inline constexpr int kKaraokeFramesPerSecond = 25;

// A new element (floating reference) drawing the given frames.
GstElement* MakeKaraokeVideoSrc(std::unique_ptr<KaraokeFrames> frames);

// Makes the video follow the song's decoded audio: it ends where the audio ends, and its
// length is the audio's. Call once, before the element runs.
void FollowKaraokeAudio(GstElement* videoSrc, GstPad* audioPad);
