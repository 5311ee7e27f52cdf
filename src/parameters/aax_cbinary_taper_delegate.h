// Two-state taper for switches: any positive normalized value is on.
#pragma once

#include "parameters/aax_itaper_delegate.h"

template <typename T>
class AAX_CBinaryTaperDelegate final : public AAX_ITaperDelegate<T> {
public:
    AAX_CBinaryTaperDelegate* Clone() const override { return new AAX_CBinaryTaperDelegate(*this); }
    T GetMaximumValue() const override { return static_cast<T>(true); }
    T GetMinimumValue() const override { return static_cast<T>(false); }
    T ConstrainRealValue(T value) const override { return value; }
    T NormalizedToReal(double normalized) const override { return static_cast<T>(normalized > 0.0); }
    double RealToNormalized(T value) const override { return value ? 1.0 : 0.0; }
};
