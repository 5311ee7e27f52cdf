// The reference plug-in's exported entry points and the AEffect trampolines into its instance.
#include "plugins/reference/reference_control.h"
#include "plugins/reference/reference_plugin.h"
#include "plugins/vst_entry.h"

using reference::ReferencePlugin;

namespace {

VstIntPtr dispatch(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    ReferencePlugin* plugin = ReferencePlugin::of(effect);
    return plugin ? plugin->dispatch(opcode, index, value, ptr, opt) : 0;
}

void setParameter(AEffect* effect, int32_t index, float value) {
    if (ReferencePlugin* plugin = ReferencePlugin::of(effect)) plugin->setParameter(index, value);
}

float getParameter(AEffect* effect, int32_t index) {
    ReferencePlugin* plugin = ReferencePlugin::of(effect);
    return plugin ? plugin->getParameter(index) : 0.0f;
}

void processReplacing(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
    if (ReferencePlugin* plugin = ReferencePlugin::of(effect)) plugin->process(inputs, outputs, frames);
}

}  // namespace

AEffect* korvexVstMain(audioMasterCallback host) {
    ReferencePlugin* plugin = nullptr;
    try {
        plugin = new ReferencePlugin(host);
    } catch (...) {  // out of memory: no instance, and nothing may unwind into the host
        return nullptr;
    }
    AEffect* effect = plugin->effect();
    effect->dispatcher = dispatch;
    effect->setParameter = setParameter;
    effect->getParameter = getParameter;
    effect->processReplacing = processReplacing;
    // Real plug-ins ask for the host version while creating, before the host has set `user`.
    if (host) host(effect, audioMasterVersion, 0, 0, nullptr, 0.0f);
    return effect;
}

KORVEX_VST_EXPORT void korvexReferenceRequestEdit(AEffect* effect, int32_t index, float value) {
    if (ReferencePlugin* plugin = ReferencePlugin::of(effect)) plugin->requestEdit(index, value);
}
