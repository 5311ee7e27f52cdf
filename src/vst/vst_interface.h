// One wrapped VST plug-in instance: its AEffect, the event records handed to it and its editor rectangle.
#pragma once

#include <cstdint>

#include "vst/channel_arrays.h"
#include "vst/vst_types.h"

class VstCallBack;

class VstInterface {
public:
    static constexpr int32_t kEventCount = 512;

    // Every event record starts as a MIDI event of byteSize 24, all else 0; active is 1.
    VstInterface();
    // Clears active, then sends effClose exactly once when a plug-in is held, and drops it.
    virtual ~VstInterface();
    VstInterface(const VstInterface&) = delete;
    VstInterface& operator=(const VstInterface&) = delete;

    // [main] Asks the plug-in for its editor rectangle (into editRect), then opens its editor in parentWindow.
    void OpenEditor(void* parentWindow);

    // True when calls into the plug-in are allowed: a plug-in is held and the instance is not closing.
    bool isUsable() const { return effect != nullptr && active != 0; }

    // [any] The plug-in's dispatcher when usable; 0 otherwise.
    VstIntPtr dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);

    // [main] Sizes `channels` for the inputs and outputs the plug-in declares now; false when it
    // declares more than can be prepared (it is then not processed). Safe while the instance is
    // rendered: a render call keeps the arrays it started with.
    bool prepareChannels();

    VstMidiEvent* events;             // kEventCount records, owned; the render callback uses only the first
    VstCallBack* callback = nullptr;  // not owned
    AEffect* effect = nullptr;        // null until loaded and again after effClose
    int32_t active = 1;               // 0 from the start of destruction
    ERect* editRect = nullptr;        // owned by the plug-in, filled by effEditGetRect
    // [main] sized by prepareChannels, published whole; [render] entries 0 and 1 rewritten by each
    // render call, safe without a lock because a host renders one instance on one thread at a time.
    ChannelArrays channels;
};
