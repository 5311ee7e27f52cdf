// A state-variable low-pass filter (trapezoidal integrators, so it stays stable while the
// cutoff moves); one instance per channel.
#pragma once

namespace reference {

class StateVariableFilter {
public:
    // Coefficients for a cutoff and resonance (Q) at a sample rate; clamped below Nyquist.
    void configure(double cutoffHz, double q, double sampleRate);
    float process(float input);
    void reset() { ic1 = ic2 = 0.0; }

private:
    double a1 = 1.0;
    double a2 = 0.0;
    double a3 = 0.0;
    double ic1 = 0.0;
    double ic2 = 0.0;
};

}  // namespace reference
