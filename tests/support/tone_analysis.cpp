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
