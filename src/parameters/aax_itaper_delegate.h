// Conversion between a parameter's real value and the host's normalized value in [0, 1].
#pragma once

// Lets a parameter take a taper through an interface that does not know its value type.
class AAX_ITaperDelegateBase {
public:
    virtual ~AAX_ITaperDelegateBase() = default;  // 0
};

template <typename T>
class AAX_ITaperDelegate : public AAX_ITaperDelegateBase {
public:
    ~AAX_ITaperDelegate() override = default;                     // 0
    virtual AAX_ITaperDelegate* Clone() const = 0;                // 1 new heap copy, owned by the caller
    virtual T GetMaximumValue() const = 0;                        // 2
    virtual T GetMinimumValue() const = 0;                        // 3
    virtual T ConstrainRealValue(T value) const = 0;              // 4 the value within the range
    virtual T NormalizedToReal(double normalized) const = 0;      // 5 always within the range
    virtual double RealToNormalized(T value) const = 0;           // 6 in [0, 1]
};
