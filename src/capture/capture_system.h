#pragma once

#include <cstdint>
#include <memory>

#include "gst/wav_file_writer.h"
#include "services/capture_graph.h"

class SoundServer;

// The capture side on the sound server's devices, recording through GStreamer.
// classicDataLimit: the data size past which recordings continue as RF64.
std::unique_ptr<CaptureSystem> MakeCaptureSystem(
    SoundServer& server, std::uint64_t classicDataLimit = WavFileWriter::kClassicDataLimit);
