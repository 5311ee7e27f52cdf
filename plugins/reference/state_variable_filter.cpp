// The reference plug-in's low-pass filter.
#include "plugins/reference/state_variable_filter.h"

#include <cmath>

namespace reference {
namespace {
// M_PI is POSIX, not C++: strict mingw builds do not define it.
constexpr double kPi = 3.14159265358979323846;
}  // namespace

void StateVariableFilter::configure(double cutoffHz, double q, double sampleRate) {
    if (!(sampleRate > 0.0)) return;
    double limit = 0.45 * sampleRate;
    double fc = cutoffHz < 10.0 ? 10.0 : (cutoffHz > limit ? limit : cutoffHz);
    double k = 1.0 / (q < 0.5 ? 0.5 : q);
    double g = std::tan(kPi * fc / sampleRate);
    a1 = 1.0 / (1.0 + g * (g + k));
    a2 = g * a1;
    a3 = g * a2;
}

float StateVariableFilter::process(float input) {
    double v3 = input - ic2;
    double v1 = a1 * ic1 + a2 * v3;
    double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2.0 * v1 - ic1;
    ic2 = 2.0 * v2 - ic2;
    // Flushing tiny states keeps a silent filter from crawling through denormals.
    if (std::fabs(ic1) < 1.0e-20) ic1 = 0.0;
    if (std::fabs(ic2) < 1.0e-20) ic2 = 0.0;
    return static_cast<float>(v2);
}

}  // namespace reference
