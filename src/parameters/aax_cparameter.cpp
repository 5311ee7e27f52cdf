// AAX_CParameter for its two value types: float for continuous controls, bool for switches.
#include "parameters/aax_cparameter.h"

#include <cstring>
#include <type_traits>

#include "host/aax_iautomation_delegate.h"

template <typename T>
AAX_CParameter<T>::AAX_CParameter(const char* identifier, const AAX_CString& name, T defaultReal,
                                  const AAX_ITaperDelegate<T>& taper, const AAX_IDisplayDelegate<T>& display,
                                  bool automatable)
    : fullName(name),
      isAutomatable(automatable),
      taperDelegate(taper.Clone()),
      displayDelegate(display.Clone()),
      value(defaultReal),
      defaultValue(defaultReal) {
    const char* source = identifier ? identifier : "";
    const size_t length = std::strlen(source);
    const size_t kept = length < sizeof(id) ? length : sizeof(id) - 1;
    std::memcpy(id, source, kept);
    std::memset(id + kept, 0, sizeof(id) - kept);
    if (numberOfSteps == 0) {
        if (parameterType == 0) numberOfSteps = 2;
        if (parameterType == 1) numberOfSteps = 128;
    }
    SetValue(defaultReal);
}

template <typename T>
AAX_CParameter<T>::~AAX_CParameter() {
    if (automationDelegate != nullptr) automationDelegate->UnregisterControl(id);
    automationDelegate = nullptr;
}

template <typename T>
void AAX_CParameter<T>::SetValue(T newValue) {
    const double normalized = taperDelegate->RealToNormalized(newValue);
    if (automationDelegate != nullptr) {
        // The host owns the automation timeline: it answers the request with UpdateNormalizedValue.
        Touch();
        automationDelegate->PostSetValueRequest(Identifier(), normalized);
        Release();
        return;
    }
    needsNotify.store(true, std::memory_order_relaxed);
    UpdateNormalizedValue(normalized);
}

template <typename T>
const char* AAX_CParameter<T>::Identifier() const {
    return id;
}

template <typename T>
void AAX_CParameter<T>::SetName(const AAX_CString& name) {
    fullName = name;
}

template <typename T>
const AAX_CString& AAX_CParameter<T>::Name() const {
    return fullName;
}

template <typename T>
void AAX_CParameter<T>::AddShortenedName(const AAX_CString& name) {
    shortenedNames[static_cast<int32_t>(name.Length())] = name;
}

// The longest shortened name that fits; when none fits, the shortest one rather than nothing.
template <typename T>
const AAX_CString& AAX_CParameter<T>::ShortenedName(int32_t length) const {
    if (static_cast<int64_t>(length) >= static_cast<int64_t>(fullName.Length()) || shortenedNames.empty())
        return fullName;
    auto entry = shortenedNames.upper_bound(length);
    if (entry != shortenedNames.begin()) --entry;
    return entry->second;
}

template <typename T>
void AAX_CParameter<T>::ClearShortenedNames() {
    shortenedNames.clear();
}

template <typename T>
bool AAX_CParameter<T>::Automatable() const {
    return isAutomatable;
}

template <typename T>
void AAX_CParameter<T>::SetAutomationDelegate(AAX_IAutomationDelegate* delegate) {
    if (automationDelegate != nullptr) automationDelegate->UnregisterControl(id);
    automationDelegate = delegate;
    if (automationDelegate != nullptr) automationDelegate->RegisterControl(id);
}

template <typename T>
void AAX_CParameter<T>::Touch() {
    if (automationDelegate != nullptr) automationDelegate->PostTouchRequest(Identifier());
}

template <typename T>
void AAX_CParameter<T>::Release() {
    if (automationDelegate != nullptr) automationDelegate->PostReleaseRequest(Identifier());
}

template <typename T>
void AAX_CParameter<T>::SetNormalizedValue(double normalized) {
    SetValue(taperDelegate->NormalizedToReal(normalized));
}

template <typename T>
double AAX_CParameter<T>::GetNormalizedValue() const {
    return taperDelegate->RealToNormalized(GetValue());
}

template <typename T>
void AAX_CParameter<T>::SetNormalizedDefaultValue(double normalized) {
    defaultValue = taperDelegate->ConstrainRealValue(taperDelegate->NormalizedToReal(normalized));
}

template <typename T>
double AAX_CParameter<T>::GetNormalizedDefaultValue() const {
    return taperDelegate->RealToNormalized(defaultValue);
}

template <typename T>
void AAX_CParameter<T>::SetToDefaultValue() {
    SetValue(defaultValue);
}

template <typename T>
void AAX_CParameter<T>::SetNumberOfSteps(uint32_t steps) {
    numberOfSteps = steps;
}

template <typename T>
uint32_t AAX_CParameter<T>::GetNumberOfSteps() const {
    return numberOfSteps;
}

template <typename T>
uint32_t AAX_CParameter<T>::GetStepValue() const {
    const uint32_t steps = GetNumberOfSteps();
    if (steps < 2) return 0;
    const double last = static_cast<double>(steps - 1);
    const double x = GetNormalizedValue() / (1.0 / last) + 0.5;
    // Written as "not at least 0" so that a NaN position also answers step 0 instead of an
    // undefined conversion.
    if (!(x >= 0.0)) return 0;
    if (x > last) return steps - 1;
    return static_cast<uint32_t>(x);
}

template <typename T>
void AAX_CParameter<T>::SetStepValue(uint32_t step) {
    const uint32_t steps = GetNumberOfSteps();
    if (steps < 2) return;
    double x = (1.0 / static_cast<double>(steps - 1)) * static_cast<double>(step);
    if (x > 1.0) x = 1.0;
    if (x < 0.0) x = 0.0;
    SetNormalizedValue(x);
}

// Hosts pass their field width here, but the full text is answered; the limited form is slot 23.
template <typename T>
bool AAX_CParameter<T>::GetValueString(int32_t /*limit*/, AAX_CString* text) const {
    return displayDelegate->ValueToString(GetValue(), text);
}

template <typename T>
bool AAX_CParameter<T>::GetValueString(AAX_CString* text) const {
    return displayDelegate->ValueToString(GetValue(), text);
}

template <typename T>
bool AAX_CParameter<T>::GetNormalizedValueFromString(const AAX_CString& text, double* normalized) const {
    T parsed{};
    if (normalized == nullptr || !displayDelegate->StringToValue(text, &parsed)) return false;
    *normalized = taperDelegate->RealToNormalized(parsed);
    return isInRange(parsed);
}

template <typename T>
bool AAX_CParameter<T>::GetStringFromNormalizedValue(double normalized, int32_t limit, AAX_CString& text) const {
    const T real = taperDelegate->NormalizedToReal(normalized);
    if (!displayDelegate->ValueToString(real, limit, &text)) return false;
    return isWithinBounds(real);
}

template <typename T>
bool AAX_CParameter<T>::GetStringFromNormalizedValue(double normalized, AAX_CString& text) const {
    const T real = taperDelegate->NormalizedToReal(normalized);
    if (!displayDelegate->ValueToString(real, &text)) return false;
    return isWithinBounds(real);
}

template <typename T>
bool AAX_CParameter<T>::SetValueFromString(const AAX_CString& text) {
    T parsed{};
    if (!displayDelegate->StringToValue(text, &parsed)) return false;
    SetValue(parsed);
    return true;
}

// Only the accessors of the parameter's own value type succeed; the others tell the caller
// (the state chunk, the packet dispatcher) that the parameter holds some other kind of value.
template <typename T>
template <typename V>
bool AAX_CParameter<T>::readAs(V* out) const {
    if constexpr (std::is_same_v<T, V>) {
        if (out == nullptr) return false;
        *out = GetValue();
        return true;
    } else {
        (void)out;
        return false;
    }
}

template <typename T>
template <typename V>
bool AAX_CParameter<T>::writeAs(V newValue) {
    if constexpr (std::is_same_v<T, V>) {
        SetValue(newValue);
        return true;
    } else {
        (void)newValue;
        return false;
    }
}

template <typename T>
bool AAX_CParameter<T>::GetValueAsBool(bool* out) const { return readAs(out); }
template <typename T>
bool AAX_CParameter<T>::GetValueAsInt32(int32_t* out) const { return readAs(out); }
template <typename T>
bool AAX_CParameter<T>::GetValueAsFloat(float* out) const { return readAs(out); }
template <typename T>
bool AAX_CParameter<T>::GetValueAsDouble(double* out) const { return readAs(out); }
template <typename T>
bool AAX_CParameter<T>::GetValueAsString(AAX_IString* /*out*/) const { return false; }

template <typename T>
bool AAX_CParameter<T>::SetValueWithBool(bool newValue) { return writeAs(newValue); }
template <typename T>
bool AAX_CParameter<T>::SetValueWithInt32(int32_t newValue) { return writeAs(newValue); }
template <typename T>
bool AAX_CParameter<T>::SetValueWithFloat(float newValue) { return writeAs(newValue); }
template <typename T>
bool AAX_CParameter<T>::SetValueWithDouble(double newValue) { return writeAs(newValue); }
template <typename T>
bool AAX_CParameter<T>::SetValueWithString(const AAX_IString& /*newValue*/) { return false; }

template <typename T>
void AAX_CParameter<T>::SetType(int32_t type) {
    parameterType = type;
}

template <typename T>
int32_t AAX_CParameter<T>::GetType() const {
    return parameterType;
}

template <typename T>
void AAX_CParameter<T>::SetHostAttribute(int32_t attribute) {
    hostAttribute = attribute;
}

template <typename T>
int32_t AAX_CParameter<T>::GetHostAttribute() const {
    return hostAttribute;
}

// A taper for another value type cannot convert this parameter's values; it is ignored rather
// than misread.
template <typename T>
void AAX_CParameter<T>::SetTaperDelegate(AAX_ITaperDelegateBase& taper, bool preserveValue) {
    const auto* typed = dynamic_cast<const AAX_ITaperDelegate<T>*>(&taper);
    if (typed == nullptr) return;
    const double normalized = GetNormalizedValue();
    taperDelegate.reset(typed->Clone());
    needsNotify.store(true, std::memory_order_relaxed);
    if (preserveValue)
        SetValue(GetValue());
    else
        UpdateNormalizedValue(normalized);
}

template <typename T>
void AAX_CParameter<T>::SetDisplayDelegate(AAX_IDisplayDelegateBase& display) {
    const auto* typed = dynamic_cast<const AAX_IDisplayDelegate<T>*>(&display);
    if (typed == nullptr) return;
    displayDelegate.reset(typed->Clone());
    // The value did not change, but its text did: the host redraws on a posted value.
    if (automationDelegate != nullptr) automationDelegate->PostCurrentValue(id, GetNormalizedValue());
}

template <typename T>
void AAX_CParameter<T>::UpdateNormalizedValue(double normalized) {
    const T real = taperDelegate->NormalizedToReal(normalized);
    if (!needsNotify.load(std::memory_order_relaxed) && real == GetValue()) return;
    value.store(real, std::memory_order_relaxed);
    // The host gets back exactly what it delivered, not the taper's rounding of it.
    if (automationDelegate != nullptr) automationDelegate->PostCurrentValue(Identifier(), normalized);
    needsNotify.store(false, std::memory_order_relaxed);
}

// A parsed value counts as in range unless it is beyond one of the bounds.
template <typename T>
bool AAX_CParameter<T>::isInRange(T real) const {
    return !(real > taperDelegate->GetMaximumValue() || real < taperDelegate->GetMinimumValue());
}

// Unlike isInRange, a NaN is not within the bounds: no text is vouched for a value without a position.
template <typename T>
bool AAX_CParameter<T>::isWithinBounds(T real) const {
    return taperDelegate->GetMinimumValue() <= real && real <= taperDelegate->GetMaximumValue();
}

template class AAX_CParameter<float>;
template class AAX_CParameter<bool>;
