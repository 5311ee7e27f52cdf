// A parameter holding a real value of type T, converted through its own taper and display delegates.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>

#include "parameters/aax_idisplay_delegate.h"
#include "parameters/aax_iparameter.h"
#include "parameters/aax_itaper_delegate.h"
#include "util/aax_string.h"

// Built for float (continuous) and bool (switch) values. Without an automation delegate every
// change applies at once; with one, changes the plug-in makes become requests, and only the
// host's delivery (UpdateNormalizedValue) changes the stored value.
template <typename T>
class AAX_CParameter final : public AAX_IParameter {
public:
    // The delegates are cloned; a null identifier counts as the empty one, a long one is cut to 31.
    AAX_CParameter(const char* identifier, const AAX_CString& name, T defaultReal, const AAX_ITaperDelegate<T>& taper,
                   const AAX_IDisplayDelegate<T>& display, bool automatable);
    ~AAX_CParameter() override;
    AAX_CParameter(const AAX_CParameter&) = delete;
    AAX_CParameter& operator=(const AAX_CParameter&) = delete;

    // The path of every change the plug-in makes: a host request with a delegate, else stored at once.
    void SetValue(T value);
    T GetValue() const { return value.load(std::memory_order_relaxed); }
    T GetDefaultValue() const { return defaultValue; }
    const AAX_ITaperDelegate<T>& TaperDelegate() const { return *taperDelegate; }
    const AAX_IDisplayDelegate<T>& DisplayDelegate() const { return *displayDelegate; }

    const char* Identifier() const override;
    void SetName(const AAX_CString& name) override;
    const AAX_CString& Name() const override;
    void AddShortenedName(const AAX_CString& name) override;
    const AAX_CString& ShortenedName(int32_t length) const override;
    void ClearShortenedNames() override;
    bool Automatable() const override;
    void SetAutomationDelegate(AAX_IAutomationDelegate* delegate) override;
    void Touch() override;
    void Release() override;
    void SetNormalizedValue(double normalized) override;
    double GetNormalizedValue() const override;
    void SetNormalizedDefaultValue(double normalized) override;
    double GetNormalizedDefaultValue() const override;
    void SetToDefaultValue() override;
    void SetNumberOfSteps(uint32_t steps) override;
    uint32_t GetNumberOfSteps() const override;
    uint32_t GetStepValue() const override;
    void SetStepValue(uint32_t step) override;
    bool GetValueString(int32_t limit, AAX_CString* text) const override;
    bool GetValueString(AAX_CString* text) const override;
    bool GetNormalizedValueFromString(const AAX_CString& text, double* normalized) const override;
    bool GetStringFromNormalizedValue(double normalized, int32_t limit, AAX_CString& text) const override;
    bool GetStringFromNormalizedValue(double normalized, AAX_CString& text) const override;
    bool SetValueFromString(const AAX_CString& text) override;
    bool GetValueAsBool(bool* out) const override;
    bool GetValueAsInt32(int32_t* out) const override;
    bool GetValueAsFloat(float* out) const override;
    bool GetValueAsDouble(double* out) const override;
    bool GetValueAsString(AAX_IString* out) const override;
    bool SetValueWithBool(bool newValue) override;
    bool SetValueWithInt32(int32_t newValue) override;
    bool SetValueWithFloat(float newValue) override;
    bool SetValueWithDouble(double newValue) override;
    bool SetValueWithString(const AAX_IString& newValue) override;
    void SetType(int32_t type) override;
    int32_t GetType() const override;
    void SetHostAttribute(int32_t attribute) override;
    int32_t GetHostAttribute() const override;
    void SetTaperDelegate(AAX_ITaperDelegateBase& taper, bool preserveValue) override;
    void SetDisplayDelegate(AAX_IDisplayDelegateBase& display) override;
    void UpdateNormalizedValue(double normalized) override;

private:
    template <typename V>
    bool readAs(V* out) const;
    template <typename V>
    bool writeAs(V newValue);

    bool isInRange(T real) const;
    bool isWithinBounds(T real) const;

    char id[32];
    AAX_CString fullName;
    std::map<int32_t, AAX_CString> shortenedNames;
    bool isAutomatable;
    uint32_t numberOfSteps = 0;
    int32_t parameterType = 1;
    int32_t hostAttribute = 0;
    std::unique_ptr<AAX_ITaperDelegate<T>> taperDelegate;
    std::unique_ptr<AAX_IDisplayDelegate<T>> displayDelegate;
    AAX_IAutomationDelegate* automationDelegate = nullptr;
    // [any thread: atomic] Hosts deliver and read values on any of their threads at once, and the
    // plug-in's automation arrives on its own: each access is one relaxed load or store of a word,
    // so a reader sees some value that was delivered, and the last delivery stands.
    std::atomic<bool> needsNotify{true};
    std::atomic<T> value;
    T defaultValue;
};

extern template class AAX_CParameter<float>;
extern template class AAX_CParameter<bool>;
