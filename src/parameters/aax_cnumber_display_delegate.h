// Fixed-point number text with a set count of decimals, and the reverse reading of typed numbers.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

#include "parameters/aax_idisplay_delegate.h"

// Precision is the count of decimals; SpaceAfter above 0 appends that many spaces (room for a unit).
template <typename T, int32_t Precision = 2, int32_t SpaceAfter = 0>
class AAX_CNumberDisplayDelegate final : public AAX_IDisplayDelegate<T> {
public:
    AAX_CNumberDisplayDelegate* Clone() const override { return new AAX_CNumberDisplayDelegate(*this); }

    // The text is cut, never rounded, and a cut never ends in a dangling decimal point. A limit
    // below 1 yields the empty text: the host asked for no characters, and handing it more could
    // overrun whatever it sized for the answer.
    bool ValueToString(T value, int32_t limit, AAX_CString* text) const override {
        if (!ValueToString(value, text)) return false;
        if (limit < 1) {
            text->Clear();
            return true;
        }
        const uint32_t allowed = static_cast<uint32_t>(limit);
        if (text->Length() > allowed) text->Erase(allowed, text->Length() - allowed);
        if (text->Length() == allowed && (*text)[allowed - 1] == '.') text->Erase(allowed - 1, 1);
        return true;
    }

    bool ValueToString(T value, AAX_CString* text) const override {
        if (text == nullptr) return false;
        text->Clear();
        text->AppendNumber(static_cast<double>(value), Precision);
        if (SpaceAfter > 0) text->Set((text->StdString() + std::string(SpaceAfter, ' ')).c_str());
        return true;
    }

    // Leading white space is skipped and anything after the number (a unit) is ignored.
    bool StringToValue(const AAX_CString& text, T* value) const override {
        std::istringstream stream(text.StdString());
        stream.imbue(std::locale::classic());
        double parsed = 0.0;
        stream >> parsed;
        const bool readable = !stream.fail() && !stream.bad();
        if (value != nullptr) *value = readable ? narrow(parsed) : static_cast<T>(0);
        return readable && value != nullptr;
    }

private:
    // Converting a double outside T's range is undefined; IEEE's own answer, infinity, is meant.
    static T narrow(double real) {
        if (std::numeric_limits<T>::has_infinity) {
            if (real > static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::infinity();
            if (real < static_cast<double>(std::numeric_limits<T>::lowest())) return -std::numeric_limits<T>::infinity();
        }
        return static_cast<T>(real);
    }
};
