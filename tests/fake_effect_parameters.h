// Test stand-ins for a parameter of one value type and for the effect-parameters object that
// finds it by ID; every other slot is a stub.
#pragma once

#include <map>
#include <string>

#include "acf/result_codes.h"
#include "parameters/aax_iacf_effect_parameters.h"
#include "parameters/aax_iparameter.h"
#include "stub_parameter.h"

// Answers exactly one of the typed getters, like a real parameter of that type.
class FakeParameter final : public testing_support::StubParameter {
public:
    enum class Type { Bool, Int32, Float, Double, None };

    FakeParameter(Type valueType, double initial) : type(valueType), value(initial) {}

    void set(double next) { value = next; }

    bool GetValueAsBool(bool* out) const override { return answer(Type::Bool, out, value != 0.0); }
    bool GetValueAsInt32(int32_t* out) const override { return answer(Type::Int32, out, static_cast<int32_t>(value)); }
    bool GetValueAsFloat(float* out) const override { return answer(Type::Float, out, static_cast<float>(value)); }
    bool GetValueAsDouble(double* out) const override { return answer(Type::Double, out, value); }

private:
    template <class T>
    bool answer(Type asked, T* out, T converted) const {
        if (asked != type) return false;
        if (out) *out = converted;
        return true;
    }

    Type type;
    double value;
};

// Finds parameters by ID; every other slot answers -20004.
class FakeEffectParameters final : public AAX_IACFEffectParameters {
public:
    void add(const std::string& id, AAX_IParameter* parameter) { parameters[id] = parameter; }

    int32_t GetParameter(const char* id, AAX_IParameter** out) override {
        const auto found = id ? parameters.find(id) : parameters.end();
        if (found == parameters.end()) return kResultNoParameter;
        *out = found->second;
        return kResultSuccess;
    }

    int32_t QueryInterface(const GUID&, void** out) override {
        if (out) *out = nullptr;
        return kAcfNoInterface;
    }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    int32_t Initialize(IACFUnknown*) override { return no; }
    int32_t Uninitialize() override { return no; }
    int32_t ReceiveNotification(uint32_t, const void*, uint32_t) override { return no; }
    int32_t GetNumberOfParameters(int32_t*) const override { return no; }
    int32_t GetMasterBypassID(AAX_IString*) const override { return no; }
    int32_t GetParameterIsAutomatable(const char*, uint8_t*) const override { return no; }
    int32_t GetParameterNumberOfSteps(const char*, int32_t*) const override { return no; }
    int32_t GetParameterName(const char*, AAX_IString*) const override { return no; }
    int32_t GetParameterNameOfLength(const char*, AAX_IString*, int32_t) const override { return no; }
    int32_t GetParameterDefaultNormalizedValue(const char*, double*) const override { return no; }
    int32_t SetParameterDefaultNormalizedValue(const char*, double) override { return no; }
    int32_t GetParameterType(const char*, int32_t*) const override { return no; }
    int32_t GetParameterHostAttribute(const char*, int32_t*) const override { return no; }
    int32_t GetParameterIndex(const char*, int32_t*) const override { return no; }
    int32_t GetParameterIDFromIndex(int32_t, AAX_IString*) const override { return no; }
    int32_t QueryParameterInfo(const char*, int32_t, int32_t*) const override { return no; }
    int32_t GetParameterValueFromString(const char*, double*, const AAX_IString*) const override { return no; }
    int32_t GetParameterStringFromValue(const char*, double, AAX_IString*, int32_t) const override { return no; }
    int32_t GetParameterValueString(const char*, AAX_IString*, int32_t) const override { return no; }
    int32_t GetParameterNormalizedValue(const char*, double*) const override { return no; }
    int32_t SetParameterNormalizedValue(const char*, double) override { return no; }
    int32_t SetParameterNormalizedRelative(const char*, double) override { return no; }
    int32_t TouchParameter(const char*) override { return no; }
    int32_t ReleaseParameter(const char*) override { return no; }
    int32_t Slot28(const char*) override { return no; }
    int32_t UpdateParameterNormalizedValue(const char*, double, int32_t) override { return no; }
    int32_t UpdateParameterNormalizedRelative(const char*, double) override { return no; }
    int32_t DispatchParameterPackets() override { return no; }
    int32_t ClearFieldData(uint32_t, void*, uint32_t) override { return no; }
    int32_t GetNumberOfChunks(int32_t*) const override { return no; }
    int32_t GetChunkIDFromIndex(int32_t, uint32_t*) const override { return no; }
    int32_t GetChunkSize(uint32_t, uint32_t*) const override { return no; }
    int32_t GetChunk(uint32_t, AAX_SPlugInChunk*) const override { return no; }
    int32_t SetChunk(uint32_t, const AAX_SPlugInChunk*) override { return no; }
    int32_t CompareChunk(const AAX_SPlugInChunk*, uint8_t*) const override { return no; }
    int32_t GetNumberOfChanges(int32_t*) const override { return no; }

private:
    static constexpr int32_t no = kResultNotImplemented;
    std::map<std::string, AAX_IParameter*> parameters;
};
