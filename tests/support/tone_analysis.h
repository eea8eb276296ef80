#pragma once

#include <vector>

// The share of a signal's power that lies at one frequency (Goertzel filter over the
// whole signal, within a bin of rate / length): near 1 for a pure tone at that frequency,
// near 0 when the tone is absent.
double ToneShare(const std::vector<double>& signal, int rate, double frequency);
