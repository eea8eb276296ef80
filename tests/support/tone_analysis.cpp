#include "support/tone_analysis.h"

#include <cmath>
#include <numbers>

double ToneShare(const std::vector<double>& signal, int rate, double frequency) {
    if (signal.empty() || rate <= 0) return 0.0;
    const double omega = 2.0 * std::numbers::pi * frequency / rate;
    const double coefficient = 2.0 * std::cos(omega);
    double previous = 0.0, beforePrevious = 0.0, energy = 0.0;
    for (double sample : signal) {
        const double current = sample + coefficient * previous - beforePrevious;
        beforePrevious = previous;
        previous = current;
        energy += sample * sample;
    }
    const double power = previous * previous + beforePrevious * beforePrevious -
                         coefficient * previous * beforePrevious;
    // A full-scale tone of N samples gives power (N/2)^2 * a^2 and energy N * a^2 / 2.
    return energy > 0.0 ? power / (energy * signal.size() / 2.0) : 0.0;
}

double ToneFrequency(const std::vector<double>& signal, int rate) {
    double first = -1;
    double last = -1;
    int crossings = 0;
    for (std::size_t i = 1; i < signal.size(); ++i) {
        if (signal[i - 1] < 0 && signal[i] >= 0) {
            const double at =
                static_cast<double>(i - 1) + signal[i - 1] / (signal[i - 1] - signal[i]);
            if (first < 0) first = at;
            last = at;
            ++crossings;
        }
    }
    return crossings < 2 ? 0.0 : (crossings - 1) * rate / (last - first);
}

double ToneLevel(const std::vector<double>& signal, int rate, double frequency) {
    double energy = 0;
    for (double sample : signal) energy += sample * sample;
    if (signal.empty()) return 0;
    return std::sqrt(ToneShare(signal, rate, frequency) * energy / signal.size());
}
