// The host's ACF interfaces as the module calls them. Entry numbers are the binary contract:
// entries 0-2 are IACFUnknown, entry N is vtable slot N. Entries the module never calls keep
// their slot under a placeholder name. A second version repeats the first and continues.
#pragma once

#include <cstdint>

#include "acf/acf_types.h"

#define KORVEX_ACF_INTERFACE_END(Name) \
protected:                             \
    ~Name() = default;

class IACFComponentFactory : public IACFUnknown {
public:
    // 3 [main] creates a host object of classId answering iid; 0, or an error and out null
    virtual int32_t CreateComponent(const GUID& classId, IACFUnknown* outer, const GUID& iid, void** out) = 0;
    KORVEX_ACF_INTERFACE_END(IACFComponentFactory)
};

class IHostCollection : public IACFUnknown {
public:
    // kept for the slot order
    virtual int32_t Entry3() = 0;
    virtual int32_t Entry4() = 0;
    virtual int32_t Entry5() = 0;
    virtual int32_t Entry6() = 0;
    virtual int32_t RegisterEffect(const char* effectId, IACFUnknown* effectDescriptor) = 0;  // 7 [main]
    virtual int32_t SetManufacturerName(const char* name) = 0;                                // 8 [main]
    virtual int32_t AddPackageName(const char* name) = 0;                                     // 9 [main]
    virtual int32_t SetPackageVersion(uint32_t version) = 0;                                  // 10 [main]
    virtual int32_t SetProperties(IACFUnknown* propertyMap) = 0;                              // 11 [main]
    KORVEX_ACF_INTERFACE_END(IHostCollection)
};

class IHostEffectDescriptor : public IACFUnknown {
public:
    virtual int32_t AddComponent(IACFUnknown* componentDescriptor) = 0;  // 3 [main] hands over its current contents
    virtual int32_t AddName(const char* name) = 0;                       // 4 [main]
    virtual int32_t AddCategory(uint32_t bits) = 0;                      // 5 [main]
    virtual int32_t Entry6(uint32_t value, const char* text) = 0;        // 6 kept for the slot order
    virtual int32_t AddProcPtr(void* function, int32_t kind) = 0;        // 7 [main] factory callback
    virtual int32_t Entry8(IACFUnknown* argument) = 0;                   // 8 kept for the slot order
    virtual int32_t AddResourceInfo(int32_t kind, const char* text) = 0; // 9 [main]
    virtual int32_t Entry10(int32_t a, const char* b) = 0;               // 10 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostEffectDescriptor)
};

class IHostEffectDescriptorV2 : public IHostEffectDescriptor {
public:
    virtual int32_t Entry11(int32_t a, int32_t b, int32_t c, const char* d) = 0;  // 11 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostEffectDescriptorV2)
};

class IHostComponentDescriptor : public IACFUnknown {
public:
    virtual int32_t Clear() = 0;                                          // 3 [main]
    virtual int32_t Entry4(uint32_t a) = 0;                               // 4 kept for the slot order
    virtual int32_t AddAudioIn(uint32_t field) = 0;                       // 5 [main]
    virtual int32_t AddAudioOut(uint32_t field) = 0;                      // 6 [main]
    virtual int32_t AddAudioBufferLength(uint32_t field) = 0;             // 7 [main]
    virtual int32_t Entry8(uint32_t field) = 0;                           // 8 kept for the slot order
    virtual int32_t Entry9(uint32_t field) = 0;                           // 9 kept for the slot order
    virtual int32_t AddComponentOperation7(uint32_t field) = 0;           // 10 [main] host-filled field
    virtual int32_t AddDataInPort(uint32_t field, uint32_t size, int32_t kind) = 0;  // 11 [main]
    virtual int32_t Entry12(uint32_t a, uint32_t b) = 0;                  // 12 kept for the slot order
    virtual int32_t Entry13(uint32_t a, uint32_t b) = 0;                  // 13 kept for the slot order
    virtual int32_t Entry14(uint32_t a, uint32_t b) = 0;                  // 14 kept for the slot order
    // 15 [main] MIDI node at field
    virtual int32_t AddMIDINode(uint32_t field, int32_t nodeKind, const char* name, uint32_t channelMask) = 0;
    // 16 [main] render callback with its property map
    virtual int32_t AddProcessProc(void* renderCallback, IACFUnknown* propertyMap, void* a, void* b, void* c) = 0;
    virtual int32_t Entry17(void* a, IACFUnknown* b) = 0;                 // 17 kept for the slot order
    virtual int32_t Entry18(uint32_t a, uint32_t b) = 0;                  // 18 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostComponentDescriptor)
};

class IHostComponentDescriptorV2 : public IHostComponentDescriptor {
public:
    virtual int32_t Entry19(uint32_t a, uint32_t b) = 0;  // 19 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostComponentDescriptorV2)
};

class IHostPropertyMap : public IACFUnknown {
public:
    virtual uint8_t GetProperty(int32_t id, int32_t* value) = 0;  // 3 [main] 1 when held
    virtual int32_t AddProperty(int32_t id, int32_t value) = 0;   // 4 [main]
    virtual int32_t RemoveProperty(int32_t id) = 0;               // 5 [main]
    KORVEX_ACF_INTERFACE_END(IHostPropertyMap)
};

class IHostPropertyMapV2 : public IHostPropertyMap {
public:
    virtual int32_t Entry6(int32_t id, const void* values, uint32_t count) = 0;  // 6 kept for the slot order
    virtual uint8_t Entry7(int32_t id, void* values, uint32_t count) = 0;        // 7 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostPropertyMapV2)
};

class IHostServices : public IACFUnknown {
public:
    virtual int32_t Entry3(const char* a, const char* b, int32_t c) = 0;  // 3 kept for the slot order
    virtual int32_t Entry4(const char* text) = 0;                          // 4 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostServices)
};

class IHostController : public IACFUnknown {
public:
    virtual int32_t Entry3(int32_t* a) = 0;                                        // 3 kept for the slot order
    virtual int32_t GetSampleRate(float* rate) = 0;                                // 4 [any]
    virtual int32_t GetInputStemFormat(int32_t* format) = 0;                       // 5 [any]
    virtual int32_t GetOutputStemFormat(int32_t* format) = 0;                      // 6 [any]
    virtual int32_t Entry7(int32_t* a) = 0;                                        // 7 kept for the slot order
    virtual int32_t Entry8(int32_t* a) = 0;                                        // 8 kept for the slot order
    virtual int32_t Entry9(int32_t* a) = 0;                                        // 9 kept for the slot order
    virtual int32_t Entry10(int32_t* a) = 0;                                       // 10 kept for the slot order
    virtual int32_t Entry11(int32_t* a) = 0;                                       // 11 kept for the slot order
    virtual int32_t PostPacket(uint32_t field, const void* data, uint32_t size) = 0;  // 12 [any] host copies the bytes
    virtual int32_t Entry13(int32_t* a) = 0;                                       // 13 kept for the slot order
    virtual int32_t Entry14(int32_t* a) = 0;                                       // 14 kept for the slot order
    virtual int32_t Entry15(int32_t* a) = 0;                                       // 15 kept for the slot order
    virtual int32_t Entry16(int32_t* a) = 0;                                       // 16 kept for the slot order
    virtual int32_t Entry17(int32_t* a) = 0;                                       // 17 kept for the slot order
    virtual int32_t Entry18(int32_t* a) = 0;                                       // 18 kept for the slot order
    virtual int32_t Entry19(int32_t* a) = 0;                                       // 19 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostController)
};

class IHostControllerV2 : public IHostController {
public:
    virtual int32_t Entry20(int32_t* a) = 0;   // 20 kept for the slot order
    virtual int32_t Entry21(int32_t* a) = 0;   // 21 kept for the slot order
    virtual int32_t Entry22(int64_t* a) = 0;   // 22 kept for the slot order (64-bit out value)
    virtual int32_t Entry23(int32_t* a) = 0;   // 23 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostControllerV2)
};

class IHostTransport : public IACFUnknown {
public:
    virtual int32_t GetCurrentTempo(double* tempo) = 0;                             // 3 [any]
    virtual int32_t GetCurrentMeter(int32_t* numerator, int32_t* denominator) = 0;  // 4 [any]
    virtual int32_t IsTransportPlaying(uint8_t* playing) = 0;                       // 5 [any]
    virtual int32_t Entry6(int64_t* a) = 0;                                         // 6 kept for the slot order
    virtual int32_t Entry7(int64_t* a) = 0;                                         // 7 kept for the slot order
    virtual int32_t GetCurrentNativeSampleLocation(int64_t* location) = 0;          // 8 [any]
    virtual int32_t Entry9(int64_t* a, int64_t b) = 0;                              // 9 kept for the slot order
    // 10 [any] bar/beat position of a sample location, 960000 ticks per beat
    virtual int32_t GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t location) = 0;
    virtual int32_t Entry11(int32_t* a, int64_t b) = 0;                             // 11 kept for the slot order
    virtual int32_t Entry12(int64_t* a, int32_t b) = 0;                             // 12 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostTransport)
};

class IHostTransportV2 : public IHostTransport {
public:
    virtual int32_t Entry13(int64_t* a, int64_t* b) = 0;  // 13 kept for the slot order
    virtual int32_t Entry14(uint8_t* a) = 0;              // 14 kept for the slot order
    virtual int32_t Entry15(int64_t* a) = 0;              // 15 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostTransportV2)
};

class IHostAutomation : public IACFUnknown {
public:
    virtual int32_t RegisterParameter(const char* id) = 0;                     // 3 [main]
    virtual int32_t UnregisterParameter(const char* id) = 0;                   // 4 [main]
    virtual int32_t PostSetValueRequest(const char* id, double normalized) = 0;  // 5 [any]
    virtual int32_t PostCurrentValue(const char* id, double normalized) = 0;     // 6 [any]
    virtual int32_t PostTouchRequest(const char* id) = 0;                      // 7 [any]
    virtual int32_t PostReleaseRequest(const char* id) = 0;                    // 8 [any]
    virtual int32_t Entry9(const char* id, uint32_t* a) = 0;                   // 9 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostAutomation)
};

class IHostViewContainer : public IACFUnknown {
public:
    virtual int32_t GetType() = 0;                        // 3 [main] 3 = a native window handle
    virtual void* GetPtr() = 0;                           // 4 [main] the native view
    virtual int32_t Entry5(uint32_t* a) = 0;              // 5 kept for the slot order
    virtual int32_t Entry6(const void* a, void* b) = 0;   // 6 kept for the slot order
    virtual int32_t Entry7(const void* a, void* b) = 0;   // 7 kept for the slot order
    virtual int32_t Entry8(const char* a, uint32_t b) = 0;  // 8 kept for the slot order
    virtual int32_t Entry9(const char* a) = 0;            // 9 kept for the slot order
    KORVEX_ACF_INTERFACE_END(IHostViewContainer)
};
