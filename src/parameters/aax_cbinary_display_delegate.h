// Two labels for a switch: the text for false and the text for true, matched exactly when parsed.
#pragma once

#include <cstring>

#include "parameters/aax_idisplay_delegate.h"

template <typename T>
class AAX_CBinaryDisplayDelegate final : public AAX_IDisplayDelegate<T> {
public:
    // A null label stands for the empty text.
    AAX_CBinaryDisplayDelegate(const char* falseText, const char* trueText) : falseLabel(falseText), trueLabel(trueText) {}

    AAX_CBinaryDisplayDelegate* Clone() const override { return new AAX_CBinaryDisplayDelegate(*this); }

    // Labels are never shortened: a cut label would no longer parse back.
    bool ValueToString(T value, int32_t /*limit*/, AAX_CString* text) const override { return ValueToString(value, text); }

    bool ValueToString(T value, AAX_CString* text) const override {
        if (text == nullptr) return false;
        *text = value ? trueLabel : falseLabel;
        return true;
    }

    bool StringToValue(const AAX_CString& text, T* value) const override {
        T parsed = static_cast<T>(false);
        bool known = true;
        if (text == trueLabel)
            parsed = static_cast<T>(true);
        else if (!(text == falseLabel))
            known = false;
        if (value != nullptr) *value = parsed;
        return known && value != nullptr;
    }

private:
    AAX_CString falseLabel;
    AAX_CString trueLabel;
};
