// Straight-line taper between a minimum and a maximum real value.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "parameters/aax_itaper_delegate.h"

// RealPrecision above 0 rounds real values to that many decimals; 0 keeps them as computed.
template <typename T, int32_t RealPrecision = 0>
class AAX_CLinearTaperDelegate final : public AAX_ITaperDelegate<T> {
public:
    AAX_CLinearTaperDelegate(T minimumValue, T maximumValue) : minimum(minimumValue), maximum(maximumValue) {}

    AAX_CLinearTaperDelegate* Clone() const override { return new AAX_CLinearTaperDelegate(*this); }
    T GetMaximumValue() const override { return maximum; }
    T GetMinimumValue() const override { return minimum; }

    // NaN is neither above nor below the range and passes through.
    T ConstrainRealValue(T value) const override {
        if (value > maximum) return maximum;
        if (value < minimum) return minimum;
        return value;
    }

    T NormalizedToReal(double normalized) const override {
        double real = (static_cast<double>(maximum) - static_cast<double>(minimum)) * normalized +
                      static_cast<double>(minimum);
        if (RealPrecision > 0) {
            const double scale = std::pow(10.0, RealPrecision);
            real = std::round(real * scale) / scale;
        }
        return this->ConstrainRealValue(narrow(real));
    }

    double RealToNormalized(T value) const override {
        const T constrained = this->ConstrainRealValue(value);
        const double span = static_cast<double>(maximum) - static_cast<double>(minimum);
        // An empty range has no position to report; 0 keeps the host away from a NaN.
        if (span == 0.0) return 0.0;
        return (static_cast<double>(constrained) - static_cast<double>(minimum)) / span;
    }

private:
    // A host may hand over any double; converting one outside T's range would be undefined, and the
    // range constraint that follows takes the end of T's range to the taper's bound anyway.
    static T narrow(double real) {
        if (std::isnan(real)) return static_cast<T>(real);
        if (real > static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
        if (real < static_cast<double>(std::numeric_limits<T>::lowest())) return std::numeric_limits<T>::lowest();
        return static_cast<T>(real);
    }

    T minimum;
    T maximum;
};
