#pragma once

#include <optional>

// Per-channel loudness of what the private sound server's "speakers" output plays,
// read from its monitor.
struct ChannelLevels {
    double left = 0;  // RMS, full scale 1.0
    double right = 0;
};

// True when the tests run against the private sound server.
bool HaveSoundServer();

// Records ms milliseconds of the output (after a short settling skip) with parec; nothing
// when the recording failed.
std::optional<ChannelLevels> CaptureOutputLevels(int ms);
