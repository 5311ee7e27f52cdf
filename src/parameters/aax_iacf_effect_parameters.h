// The effect-parameters object as the host calls it: slots 0-47. Entry N is vtable slot N.
#pragma once

#include <cstdint>

#include "acf/acf_types.h"
#include "parameters/aax_chunk.h"
#include "util/aax_string.h"

class AAX_IParameter;

class AAX_IACFEffectParameters : public IACFUnknown {
public:
    virtual int32_t Initialize(IACFUnknown* hostUnknown) = 0;                                   // 3 [main]
    virtual int32_t Uninitialize() = 0;                                                         // 4 [main]
    virtual int32_t ReceiveNotification(uint32_t type, const void* data, uint32_t size) = 0;    // 5 [main]
    virtual int32_t GetNumberOfParameters(int32_t* count) const = 0;                            // 6 [any]
    virtual int32_t GetMasterBypassID(AAX_IString* id) const = 0;                               // 7 [any]
    virtual int32_t GetParameterIsAutomatable(const char* id, uint8_t* automatable) const = 0;  // 8 [any]
    virtual int32_t GetParameterNumberOfSteps(const char* id, int32_t* steps) const = 0;        // 9 [any]
    virtual int32_t GetParameterName(const char* id, AAX_IString* name) const = 0;              // 10 [any]
    virtual int32_t GetParameterNameOfLength(const char* id, AAX_IString* name, int32_t length) const = 0;  // 11
    virtual int32_t GetParameterDefaultNormalizedValue(const char* id, double* value) const = 0;  // 12 [any]
    virtual int32_t SetParameterDefaultNormalizedValue(const char* id, double value) = 0;       // 13 [main]
    virtual int32_t GetParameterType(const char* id, int32_t* type) const = 0;                  // 14 [any]
    virtual int32_t GetParameterHostAttribute(const char* id, int32_t* attribute) const = 0;    // 15 [any]
    virtual int32_t GetParameter(const char* id, AAX_IParameter** parameter) = 0;               // 16 [any]
    virtual int32_t GetParameterIndex(const char* id, int32_t* index) const = 0;                // 17 [any]
    virtual int32_t GetParameterIDFromIndex(int32_t index, AAX_IString* id) const = 0;          // 18 [any]
    virtual int32_t QueryParameterInfo(const char* id, int32_t selector, int32_t* info) const = 0;  // 19 -20009
    virtual int32_t GetParameterValueFromString(const char* id, double* value, const AAX_IString* text) const = 0;  // 20
    virtual int32_t GetParameterStringFromValue(const char* id, double value, AAX_IString* text,
                                                int32_t limit) const = 0;                      // 21 [any]
    virtual int32_t GetParameterValueString(const char* id, AAX_IString* text, int32_t limit) const = 0;  // 22
    virtual int32_t GetParameterNormalizedValue(const char* id, double* value) const = 0;       // 23 [any]
    virtual int32_t SetParameterNormalizedValue(const char* id, double value) = 0;              // 24 [any]
    virtual int32_t SetParameterNormalizedRelative(const char* id, double delta) = 0;           // 25 [any]
    virtual int32_t TouchParameter(const char* id) = 0;                                         // 26 [any]
    virtual int32_t ReleaseParameter(const char* id) = 0;                                       // 27 [any]
    virtual int32_t Slot28(const char* id) = 0;                                                 // 28 returns 0
    virtual int32_t UpdateParameterNormalizedValue(const char* id, double value, int32_t source) = 0;  // 29 [any]
    virtual int32_t UpdateParameterNormalizedRelative(const char* id, double delta) = 0;        // 30 [any]
    virtual int32_t DispatchParameterPackets() = 0;                                             // 31 [any]
    virtual int32_t ClearFieldData(uint32_t field, void* data, uint32_t size) = 0;              // 32 [any]
    virtual int32_t GetNumberOfChunks(int32_t* count) const = 0;                                // 33 [main]
    virtual int32_t GetChunkIDFromIndex(int32_t index, uint32_t* chunkId) const = 0;            // 34 [main]
    virtual int32_t GetChunkSize(uint32_t chunkId, uint32_t* size) const = 0;                   // 35 [main]
    virtual int32_t GetChunk(uint32_t chunkId, AAX_SPlugInChunk* chunk) const = 0;              // 36 [main]
    virtual int32_t SetChunk(uint32_t chunkId, const AAX_SPlugInChunk* chunk) = 0;              // 37 [main]
    virtual int32_t CompareChunk(const AAX_SPlugInChunk* chunk, uint8_t* isEqual) const = 0;    // 38 [main]
    virtual int32_t GetNumberOfChanges(int32_t* changes) const = 0;                             // 39 [main]

protected:
    ~AAX_IACFEffectParameters() = default;
};

class AAX_IACFEffectParameters_V2 : public AAX_IACFEffectParameters {
public:
    // Host services this module does not offer; results as noted.
    virtual int32_t Slot40(const void* a) = 0;                                        // 40 returns 0
    virtual int32_t Slot41(const void* a) = 0;                                        // 41 returns -20009
    virtual int32_t Slot42(const void* a, const void* b, const void* c, uint32_t* size) const = 0;  // 42 size 0, 0
    virtual int32_t Slot43(const void* a) = 0;                                        // 43 returns 0
    virtual int32_t Slot44(const void* a) = 0;                                        // 44 returns 0
    virtual int32_t Slot45(const void* a) = 0;                                        // 45 returns -20009
    virtual int32_t Slot46(const void* a) = 0;                                        // 46 returns 0
    virtual int32_t Slot47(const void* a) = 0;                                        // 47 returns 0

protected:
    ~AAX_IACFEffectParameters_V2() = default;
};
