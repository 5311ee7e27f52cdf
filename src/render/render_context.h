// The per-instance render context the host fills for every render call: eleven pointer-sized entries.
#pragma once

#include <cstddef>
#include <cstdint>

class AAX_IMIDINode;

struct RenderContext {
    float* const* inputChannels;      // 0 input channel pointers
    const int32_t* inputCount;        // 1 data port: input channel count
    float* const* outputChannels;     // 2 output channel pointers
    const int32_t* outputCount;       // 3 data port: output channel count
    void* hostField4;                 // 4 filled by the host, never read
    const int32_t* bufferLength;      // 5 sample frames of this call
    const int32_t* bypass;            // 6 data port: master bypass, not read by the render callback
    const void* vstInterfaceBlock;    // 7 data port: 8 bytes holding the VstInterface*
    const int32_t* vstLoaded;         // 8 data port: processed only when exactly 1
    AAX_IMIDINode* transportNode;     // 9 gives the host transport
    AAX_IMIDINode* midiInputNode;     // 10 this call's MIDI packets; may be null
};

inline constexpr uint32_t kRenderContextFieldCount = 11;
inline constexpr uint32_t kVstInterfaceBlockSize = 8;

static_assert(sizeof(RenderContext) == kRenderContextFieldCount * sizeof(void*), "one pointer per field");
static_assert(offsetof(RenderContext, vstInterfaceBlock) == 7 * sizeof(void*), "field 7");
static_assert(offsetof(RenderContext, midiInputNode) == 10 * sizeof(void*), "field 10");
