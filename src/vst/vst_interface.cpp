// Lifetime of a wrapped plug-in instance and the guarded calls the module makes into it.
#include "vst/vst_interface.h"

VstInterface::VstInterface() : events(new VstMidiEvent[kEventCount]()) {
    // byteSize 24 rather than the record's 32 is what the wrapped library has always been given.
    for (int32_t i = 0; i < kEventCount; ++i) {
        events[i].type = kVstMidiType;
        events[i].byteSize = 24;
    }
}

VstInterface::~VstInterface() {
    // Cleared first so that nothing the plug-in triggers during effClose calls back into it.
    active = 0;
    if (effect) {
        if (effect->dispatcher) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        effect = nullptr;
    }
    delete[] events;
}

VstIntPtr VstInterface::dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    if (!isUsable() || !effect->dispatcher) return 0;
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void VstInterface::OpenEditor(void* parentWindow) {
    dispatch(effEditGetRect, 0, 0, &editRect, 0.0f);
    dispatch(effEditOpen, 0, 0, parentWindow, 0.0f);
}

bool VstInterface::prepareChannels() {
    if (!isUsable()) return true;
    return channels.refresh(*effect);
}
