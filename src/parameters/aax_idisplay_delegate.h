// Conversion between a parameter's real value and the text the host shows and the user types.
#pragma once

#include <cstdint>

#include "util/aax_string.h"

// Lets a parameter take a display through an interface that does not know its value type.
class AAX_IDisplayDelegateBase {
public:
    virtual ~AAX_IDisplayDelegateBase() = default;  // 0
};

template <typename T>
class AAX_IDisplayDelegate : public AAX_IDisplayDelegateBase {
public:
    ~AAX_IDisplayDelegate() override = default;                                          // 0
    virtual AAX_IDisplayDelegate* Clone() const = 0;                                     // 1 new heap copy, owned by the caller
    virtual bool ValueToString(T value, int32_t limit, AAX_CString* text) const = 0;     // 2 at most limit characters
    virtual bool ValueToString(T value, AAX_CString* text) const = 0;                    // 3 the full text
    virtual bool StringToValue(const AAX_CString& text, T* value) const = 0;             // 4 false (and a zero value) when unreadable
};
