// A parameter that answers every slot neutrally: tests derive from it and override the few
// slots they watch.
#pragma once

#include <string>

#include "parameters/aax_iparameter.h"

namespace testing_support {

class StubParameter : public AAX_IParameter {
public:
    explicit StubParameter(const char* parameterId = "") : id(parameterId) {}

    const char* Identifier() const override { return id.c_str(); }
    void SetName(const AAX_CString&) override {}
    const AAX_CString& Name() const override { return name; }
    void AddShortenedName(const AAX_CString&) override {}
    const AAX_CString& ShortenedName(int32_t) const override { return name; }
    void ClearShortenedNames() override {}
    bool Automatable() const override { return true; }
    void SetAutomationDelegate(AAX_IAutomationDelegate*) override {}
    void Touch() override {}
    void Release() override {}
    void SetNormalizedValue(double) override {}
    double GetNormalizedValue() const override { return 0.0; }
    void SetNormalizedDefaultValue(double) override {}
    double GetNormalizedDefaultValue() const override { return 0.0; }
    void SetToDefaultValue() override {}
    void SetNumberOfSteps(uint32_t) override {}
    uint32_t GetNumberOfSteps() const override { return 0; }
    uint32_t GetStepValue() const override { return 0; }
    void SetStepValue(uint32_t) override {}
    bool GetValueString(int32_t, AAX_CString*) const override { return false; }
    bool GetValueString(AAX_CString*) const override { return false; }
    bool GetNormalizedValueFromString(const AAX_CString&, double*) const override { return false; }
    bool GetStringFromNormalizedValue(double, int32_t, AAX_CString&) const override { return false; }
    bool GetStringFromNormalizedValue(double, AAX_CString&) const override { return false; }
    bool SetValueFromString(const AAX_CString&) override { return false; }
    bool GetValueAsBool(bool*) const override { return false; }
    bool GetValueAsInt32(int32_t*) const override { return false; }
    bool GetValueAsFloat(float*) const override { return false; }
    bool GetValueAsDouble(double*) const override { return false; }
    bool GetValueAsString(AAX_IString*) const override { return false; }
    bool SetValueWithBool(bool) override { return false; }
    bool SetValueWithInt32(int32_t) override { return false; }
    bool SetValueWithFloat(float) override { return false; }
    bool SetValueWithDouble(double) override { return false; }
    bool SetValueWithString(const AAX_IString&) override { return false; }
    void SetType(int32_t) override {}
    int32_t GetType() const override { return 1; }
    void SetHostAttribute(int32_t) override {}
    int32_t GetHostAttribute() const override { return 0; }
    void SetTaperDelegate(AAX_ITaperDelegateBase&, bool) override {}
    void SetDisplayDelegate(AAX_IDisplayDelegateBase&) override {}
    void UpdateNormalizedValue(double) override {}

private:
    std::string id;
    AAX_CString name;
};

}  // namespace testing_support
