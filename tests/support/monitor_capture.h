#pragma once

#include <optional>
#include <vector>

// Per-channel loudness of what the private sound server's "speakers" output plays,
// read from its monitor.
struct ChannelLevels {
    double left = 0;  // RMS, full scale 1.0
    double right = 0;
};

// What the output played: each channel at 48 kHz, full scale 1.0.
struct CapturedOutput {
    static constexpr int kRate = 48000;
    std::vector<double> left;
    std::vector<double> right;
};

// True when the tests run against the private sound server.
bool HaveSoundServer();

// Records ms milliseconds of the output (after a short settling skip) with parec; nothing
// when the recording failed.
std::optional<ChannelLevels> CaptureOutputLevels(int ms);
// The samples of ms milliseconds of the output, taken as CaptureOutputLevels takes them.
std::optional<CapturedOutput> CaptureOutput(int ms);
