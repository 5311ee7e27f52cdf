// The reference VST 2.4 instrument and effect: synthesizer + audio input -> low-pass filter ->
// gain -> tempo-synced delay. Everything is allocated when the instance is created.
#pragma once

#include <atomic>
#include <cstdint>

#include "plugins/reference/editor_state.h"
#include "plugins/reference/parameters.h"
#include "plugins/reference/state_chunk.h"
#include "plugins/reference/state_variable_filter.h"
#include "plugins/reference/synth.h"
#include "plugins/reference/tempo_delay.h"
#include "vst/vst_types.h"

namespace reference {

inline constexpr int32_t kUniqueId = 0x4B725678;  // 'KrVx'

class ReferencePlugin final : public EditorGestures {
public:
    explicit ReferencePlugin(audioMasterCallback hostCallback);
    ReferencePlugin(const ReferencePlugin&) = delete;
    ReferencePlugin& operator=(const ReferencePlugin&) = delete;

    static ReferencePlugin* of(AEffect* effect) {
        return effect ? static_cast<ReferencePlugin*>(effect->object) : nullptr;
    }

    AEffect* effect() { return &aeffect; }
    // effClose deletes the instance; nothing may touch it afterwards.
    VstIntPtr dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);
    void setParameter(int32_t index, float value) { parameters.set(index, value); }
    float getParameter(int32_t index) const { return parameters.get(index); }
    void process(float** inputs, float** outputs, int32_t frames);
    void requestEdit(int32_t index, float value) { editor.requestEdit(index, value); }

    // [main] Gestures in the editor, reported to the host as they happen.
    void beginEdit(int32_t index) override;
    void changeValue(int32_t index, float value) override;
    void endEdit(int32_t index) override;

private:
    VstIntPtr dispatchEditor(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);
    VstIntPtr dispatchParameter(int32_t opcode, int32_t index, VstIntPtr value, void* ptr);
    void queueEvents(const VstEvents* events);
    void performQueuedEdit();
    double hostTempo();
    void reset();
    VstIntPtr callHost(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);

    AEffect aeffect{};
    audioMasterCallback host;
    Parameters parameters;
    StateChunk chunk;
    EditorState editor;
    Synth synth;
    StateVariableFilter filters[2];
    TempoDelay delays[2];
    std::atomic<double> sampleRate{44100.0};
    std::atomic<bool> bypassed{false};
};

}  // namespace reference
