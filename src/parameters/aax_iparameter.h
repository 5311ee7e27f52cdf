// One host-visible control: identity, value, taper and display, as the effect-parameters object calls it.
#pragma once

#include <cstdint>

#include "util/aax_string.h"

class AAX_IAutomationDelegate;
class AAX_ITaperDelegateBase;
class AAX_IDisplayDelegateBase;

// Module-side interface: slot 0 is the destructor, the rest follow in this order. Outputs given
// as pointers may be null; the operation then answers false (or does nothing). Not thread-safe:
// two calls on one parameter must not overlap.
class AAX_IParameter {
public:
    virtual ~AAX_IParameter() = default;                                             // 0 unregisters from the delegate
    virtual const char* Identifier() const = 0;                                      // 1 at most 31 characters, never null
    virtual void SetName(const AAX_CString& name) = 0;                               // 2 replaces the full name
    virtual const AAX_CString& Name() const = 0;                                     // 3 the full name
    virtual void AddShortenedName(const AAX_CString& name) = 0;                      // 4 keyed by its length; same length replaces
    virtual const AAX_CString& ShortenedName(int32_t length) const = 0;              // 5 longest name that fits, see the class
    virtual void ClearShortenedNames() = 0;                                          // 6
    virtual bool Automatable() const = 0;                                            // 7
    virtual void SetAutomationDelegate(AAX_IAutomationDelegate* delegate) = 0;       // 8 borrowed; null detaches
    virtual void Touch() = 0;                                                        // 9 touch request to the delegate, if any
    virtual void Release() = 0;                                                      // 10 release request to the delegate, if any
    virtual void SetNormalizedValue(double normalized) = 0;                          // 11 a request to the host when a delegate is attached
    virtual double GetNormalizedValue() const = 0;                                   // 12 in [0, 1]
    virtual void SetNormalizedDefaultValue(double normalized) = 0;                   // 13 current value untouched
    virtual double GetNormalizedDefaultValue() const = 0;                            // 14
    virtual void SetToDefaultValue() = 0;                                            // 15
    virtual void SetNumberOfSteps(uint32_t steps) = 0;                               // 16
    virtual uint32_t GetNumberOfSteps() const = 0;                                   // 17
    virtual uint32_t GetStepValue() const = 0;                                       // 18 0 .. steps - 1
    virtual void SetStepValue(uint32_t step) = 0;                                    // 19 nothing with fewer than 2 steps
    virtual bool GetValueString(int32_t limit, AAX_CString* text) const = 0;         // 20 full text; the limit is not applied
    virtual bool GetValueString(AAX_CString* text) const = 0;                        // 21
    virtual bool GetNormalizedValueFromString(const AAX_CString& text,
                                              double* normalized) const = 0;         // 22 false when out of range (value still written)
    virtual bool GetStringFromNormalizedValue(double normalized, int32_t limit,
                                              AAX_CString& text) const = 0;          // 23 false when out of range
    virtual bool GetStringFromNormalizedValue(double normalized,
                                              AAX_CString& text) const = 0;          // 24 false when out of range
    virtual bool SetValueFromString(const AAX_CString& text) = 0;                    // 25 false when the text does not parse
    virtual bool GetValueAsBool(bool* value) const = 0;                              // 26 false unless a bool parameter
    virtual bool GetValueAsInt32(int32_t* value) const = 0;                          // 27 always false
    virtual bool GetValueAsFloat(float* value) const = 0;                            // 28 false unless a float parameter
    virtual bool GetValueAsDouble(double* value) const = 0;                          // 29 always false
    virtual bool GetValueAsString(AAX_IString* value) const = 0;                     // 30 always false
    virtual bool SetValueWithBool(bool value) = 0;                                   // 31 false unless a bool parameter
    virtual bool SetValueWithInt32(int32_t value) = 0;                               // 32 always false
    virtual bool SetValueWithFloat(float value) = 0;                                 // 33 false unless a float parameter
    virtual bool SetValueWithDouble(double value) = 0;                               // 34 always false
    virtual bool SetValueWithString(const AAX_IString& value) = 0;                   // 35 always false
    virtual void SetType(int32_t type) = 0;                                          // 36 0 discrete, 1 continuous
    virtual int32_t GetType() const = 0;                                             // 37
    virtual void SetHostAttribute(int32_t attribute) = 0;                            // 38 opaque to the module
    virtual int32_t GetHostAttribute() const = 0;                                    // 39
    virtual void SetTaperDelegate(AAX_ITaperDelegateBase& taper, bool preserveValue) = 0;  // 40 cloned; a taper of another value type is ignored
    virtual void SetDisplayDelegate(AAX_IDisplayDelegateBase& display) = 0;          // 41 cloned; a display of another value type is ignored
    virtual void UpdateNormalizedValue(double normalized) = 0;                       // 42 the host's delivery; stores and echoes
};
