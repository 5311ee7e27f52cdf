// The effect-parameters object of this effect: the wrapped VST plug-in's parameters, bypass,
// sample rate and saved state, bridged onto the AAX effect-parameters base.
#pragma once

#include <cstdint>

#include "parameters/aax_ceffect_parameters.h"

class AAX_IParameter;
class VstCallBack;
class VstInterface;

// One per effect instance. Construction loads the VST plug-in (no dispatcher call yet); a failed
// load leaves an object that works as an empty effect. The editor reaches the plug-in through
// vstInterface after a dynamic_cast of the effect-parameters interface it is given.
class AAXWrapper_Parameters final : public AAX_CEffectParameters {
public:
    static constexpr int32_t kParamIdCapacity = 32;   // the -14 capacity the plug-in is told
    static constexpr int32_t kParamNameCapacity = 64; // room for effGetParamName, whatever its limit

    AAXWrapper_Parameters();
    // Closes the plug-in (effClose) and frees the VST objects before the base goes.
    ~AAXWrapper_Parameters() override;

    // 4 [main] the VstCallBack forgets the controller before the base deletes it; always 0
    int32_t Uninitialize() override;
    // 29 [any] stores the value, then tells the plug-in at once: bypass through effSetBypass,
    // others through setParameter at the index -15 resolves (not told when it resolves none);
    // -20001 for an unknown ID. No packet marking, no change count.
    int32_t UpdateParameterNormalizedValue(const char* id, double value, int32_t source) override;
    // 34 [main] index 0: the plug-in's uniqueID (0 when not loaded); else output 0, -20006
    int32_t GetChunkIDFromIndex(int32_t index, uint32_t* chunkId) const override;
    // 35 [main] the size effGetChunk answers, remembered for slot 36; -20007 when not loaded or
    // for a foreign ID (size 0 then, when loaded)
    int32_t GetChunkSize(uint32_t chunkId, uint32_t* size) const override;
    // 36 [main] the plug-in's bank chunk into the record (size field and data only). -20007 as
    // slot 35; -20008 when no size was reported or the chunk has grown beyond it; -333 when the
    // plug-in hands no data. Nothing is written on any failure.
    int32_t GetChunk(uint32_t chunkId, AAX_SPlugInChunk* chunk) const override;
    // 37 [main] effSetChunk with the record's data; the first one asks effGetChunk first.
    // -20007 as slot 35; -20008 for a negative size field; the plug-in's answer is not checked.
    int32_t SetChunk(uint32_t chunkId, const AAX_SPlugInChunk* chunk) override;
    // 48 [main] sample rate, one AAX parameter per automatable VST parameter plus the bypass,
    // effOpen, effMainsChanged, the bypass packet and the render context's first values; 0
    int32_t InitializeEffect() override;

    VstInterface* vstInterface = nullptr;  // owned: the plug-in instance
    VstCallBack* vstCallBack = nullptr;    // owned: the state behind its host callback
    int32_t vstLoaded = 0;                 // 1 when the plug-in was created

private:
    // Sends of one delivery before it leaves a value that keeps changing under it.
    static constexpr int32_t kMaxDeliveryRounds = 64;

    int32_t initializeVst();
    int32_t deliverValue(const char* id, double value);
    // The chunk ID served: the plug-in's uniqueID when it can be called, else 0.
    uint32_t vstChunkId() const;
    // One AAX parameter for VST parameter `index`, or null when it gets none.
    AAX_IParameter* makeParameter(int32_t index);
    void postRenderContext();
    // After a restore: every mapped parameter takes the plug-in's value, and the host hears of it.
    void refreshParametersFromPlugin();

    int32_t firstChunkSize = 0;
    bool bypassPacketAdded = false;
    // The size slot 35 last told the host, which sized its record from it; -1 before any.
    mutable int64_t reportedChunkSize = -1;
};
