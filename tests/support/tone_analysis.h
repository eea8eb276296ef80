#pragma once

#include <vector>

// The share of a signal's power that lies at one frequency (Goertzel filter over the
// whole signal, within a bin of rate / length): near 1 for a pure tone at that frequency,
// near 0 when the tone is absent.
double ToneShare(const std::vector<double>& signal, int rate, double frequency);

// The frequency of a signal that is one tone, from its rising zero crossings (each placed
// between its samples); 0 when it has fewer than two.
double ToneFrequency(const std::vector<double>& signal, int rate);
// The RMS of the part of a signal at one frequency.
double ToneLevel(const std::vector<double>& signal, int rate, double frequency);
