// Effect-parameters base: the parameter slots, each a look-up by ID and one call on the parameter.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "parameters/aax_ceffect_parameters.h"
#include "parameters/aax_iparameter.h"

namespace {

constexpr char kMasterBypassId[] = "MasterBypassID";
// The work buffer of the name-of-length search: longer names are searched by their first 255 characters.
constexpr size_t kNameSearchLimit = 255;

double clampNormalized(double value) {
    if (value > 1.0) return 1.0;
    if (value < 0.0) return 0.0;
    return value;
}

}  // namespace

int32_t AAX_CEffectParameters::GetNumberOfParameters(int32_t* count) const {
    if (!count) return kResultNotImplemented;
    *count = static_cast<int32_t>(list()->count());
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::GetMasterBypassID(AAX_IString* id) const {
    try {
        if (!id) return kResultNotImplemented;
        *id = list()->FindParameter(kMasterBypassId) ? kMasterBypassId : "";
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::GetParameterIsAutomatable(const char* id, uint8_t* automatable) const {
    if (!automatable) return kResultNotImplemented;
    *automatable = 0;
    const AAX_IParameter* parameter = list()->FindParameter(id);
    if (!parameter) return kResultNoParameter;
    *automatable = parameter->Automatable() ? 1 : 0;
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::GetParameterNumberOfSteps(const char* id, int32_t* steps) const {
    if (!steps) return kResultNotImplemented;
    const AAX_IParameter* parameter = list()->FindParameter(id);
    if (!parameter) return kResultNoParameter;
    *steps = static_cast<int32_t>(parameter->GetNumberOfSteps());
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::GetParameterName(const char* id, AAX_IString* name) const {
    try {
        if (!name) return kResultNotImplemented;
        const AAX_IParameter* parameter = list()->FindParameter(id);
        if (parameter)
            *name = parameter->Name();
        else
            *name = "";
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

// Names may carry alternatives separated by line feeds ("Long Name\nShort"): the longest line that
// fits wins, the first of equal lengths; when none fits, the host gets the whole text.
int32_t AAX_CEffectParameters::GetParameterNameOfLength(const char* id, AAX_IString* name, int32_t length) const {
    try {
        if (!name) return kResultNotImplemented;
        const AAX_IParameter* parameter = list()->FindParameter(id);
        if (!parameter) {
            *name = "";
            return kResultSuccess;
        }
        const AAX_CString& source = parameter->ShortenedName(length);
        const std::string work = source.StdString().substr(0, kNameSearchLimit);
        if (work.empty()) return kResultSuccess;

        size_t bestLength = 0;
        bool chosen = false;
        size_t start = 0;
        while (true) {
            const size_t end = std::min(work.find('\n', start), work.size());
            const size_t count = end - start;
            if (count > bestLength && static_cast<int64_t>(count) <= static_cast<int64_t>(length)) {
                *name = work.substr(start, count).c_str();
                bestLength = count;
                chosen = true;
            }
            if (end == work.size()) break;
            start = end + 1;
        }
        if (!chosen) *name = source;
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::GetParameterDefaultNormalizedValue(const char* id, double* value) const {
    if (!value) return kResultNotImplemented;
    const AAX_IParameter* parameter = list()->FindParameter(id);
    if (!parameter) return kResultNoParameter;
    *value = parameter->GetNormalizedDefaultValue();
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::SetParameterDefaultNormalizedValue(const char* id, double value) {
    AAX_IParameter* parameter = list()->FindParameter(id);
    if (!parameter) return kResultNoParameter;
    parameter->SetNormalizedDefaultValue(value);
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::GetParameterType(const char* id, int32_t* type) const {
    if (!type) return kResultNotImplemented;
    const AAX_IParameter* parameter = list()->FindParameter(id);
    if (!parameter) return kResultNoParameter;
    *type = parameter->GetType();
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::GetParameterHostAttribute(const char* id, int32_t* attribute) const {
    if (!attribute) return kResultNotImplemented;
    const AAX_IParameter* parameter = list()->FindParameter(id);
    if (!parameter) return kResultNoParameter;
    *attribute = parameter->GetHostAttribute();
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::GetParameter(const char* id, AAX_IParameter** parameter) {
    if (!parameter) return kResultNotImplemented;
    *parameter = list()->FindParameter(id);
    return *parameter ? kResultSuccess : kResultNoParameter;
}

int32_t AAX_CEffectParameters::GetParameterIndex(const char* id, int32_t* index) const {
    if (!index) return kResultNotImplemented;
    *index = list()->FindParameterIndex(id);
    return *index < 0 ? kResultNoParameter : kResultSuccess;
}

int32_t AAX_CEffectParameters::GetParameterIDFromIndex(int32_t index, AAX_IString* id) const {
    try {
        if (!id) return kResultNotImplemented;
        const AAX_IParameter* parameter = index < 0 ? nullptr : list()->at(static_cast<size_t>(index));
        if (!parameter) {
            *id = "";
            return kResultNoParameter;
        }
        *id = parameter->Identifier();
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::QueryParameterInfo(const char*, int32_t, int32_t* info) const {
    if (info) *info = 0;
    return kResultUnsupported;
}

int32_t AAX_CEffectParameters::GetParameterValueFromString(const char* id, double* value,
                                                           const AAX_IString* text) const {
    try {
        if (!value || !text) return kResultNotImplemented;
        const AAX_IParameter* parameter = list()->FindParameter(id);
        if (!parameter) return kResultNoParameter;
        // The parameter may write its out value even when it refuses; the host's stays untouched then.
        double converted = 0.0;
        if (!parameter->GetNormalizedValueFromString(AAX_CString(text->Get()), &converted))
            return kResultConversionRefused;
        *value = converted;
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::GetParameterStringFromValue(const char* id, double value, AAX_IString* text,
                                                           int32_t limit) const {
    try {
        if (!text) return kResultNotImplemented;
        const AAX_IParameter* parameter = list()->FindParameter(id);
        if (!parameter) return kResultNoParameter;
        AAX_CString converted;
        if (!parameter->GetStringFromNormalizedValue(value, limit, converted)) return kResultConversionRefused;
        *text = converted;
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::GetParameterValueString(const char* id, AAX_IString* text, int32_t limit) const {
    try {
        if (!text) return kResultNotImplemented;
        const AAX_IParameter* parameter = list()->FindParameter(id);
        if (!parameter) return kResultNoParameter;
        AAX_CString current;
        parameter->GetValueString(limit, &current);
        *text = current;
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::GetParameterNormalizedValue(const char* id, double* value) const {
    if (!value) return kResultNotImplemented;
    const AAX_IParameter* parameter = list()->FindParameter(id);
    if (!parameter) return kResultNoParameter;
    *value = parameter->GetNormalizedValue();
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::SetParameterNormalizedValue(const char* id, double value) {
    try {
        AAX_IParameter* parameter = list()->FindParameter(id);
        if (!parameter) return kResultNoParameter;
        parameter->SetNormalizedValue(value);
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::SetParameterNormalizedRelative(const char* id, double delta) {
    try {
        double current = 0.0;
        const int32_t result = GetParameterNormalizedValue(id, &current);
        if (result != kResultSuccess) return result;
        return SetParameterNormalizedValue(id, clampNormalized(current + delta));
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::TouchParameter(const char* id) {
    try {
        AAX_IParameter* parameter = list()->FindParameter(id);
        if (!parameter) return kResultNoParameter;
        parameter->Touch();
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::ReleaseParameter(const char* id) {
    try {
        AAX_IParameter* parameter = list()->FindParameter(id);
        if (!parameter) return kResultNoParameter;
        parameter->Release();
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::Slot28(const char*) { return kResultSuccess; }

int32_t AAX_CEffectParameters::UpdateParameterNormalizedValue(const char* id, double value, int32_t) {
    try {
        AAX_IParameter* parameter = list()->FindParameter(id);
        if (!parameter) return kResultNoParameter;
        parameter->UpdateNormalizedValue(value);
        const int32_t marked = dispatcher.MarkDirty(id);
        changeCount.fetch_add(1, std::memory_order_relaxed);
        return marked;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::UpdateParameterNormalizedRelative(const char* id, double delta) {
    try {
        double current = 0.0;
        const int32_t result = GetParameterNormalizedValue(id, &current);
        if (result != kResultSuccess) return result;
        return UpdateParameterNormalizedValue(id, clampNormalized(current + delta), 0);
    } catch (...) {
        return kAcfUnexpected;
    }
}
