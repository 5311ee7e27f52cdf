// Wrapper editor: attach, idle, redraw and detach turned into the plug-in's editor messages.
#include "editor/aaxwrapper_ceffect_gui.h"

#include <cmath>
#include <cstdint>

#include "parameters/aaxwrapper_parameters.h"
#include "vst/vst_callback.h"
#include "vst/vst_interface.h"

namespace {

// Hosts that cannot tell us a size still need something to lay out.
constexpr float kFallbackViewExtent = 100.0f;

// What the host's view container answers for a native window handle.
constexpr int32_t kNativeWindowContainer = 3;

// The key message the plug-in's editor receives just before it closes.
constexpr int32_t kCloseKeyIndex = 50;
constexpr VstIntPtr kCloseKeyValue = 26;

}  // namespace

AAXWrapper_CEffectGUI::~AAXWrapper_CEffectGUI() {
    // Before the base releases the effect parameters (and maybe the instance with them): a
    // display update from the plug-in must never reach this editor once it is gone. Already
    // done by OnLastRelease when the host let go by Release.
    unbindInstance();
}

void AAXWrapper_CEffectGUI::OnLastRelease() {
    closeOpenEditor();
    parkedWith = unbindInstance();
}

void AAXWrapper_CEffectGUI::DeleteSelf() {
    if (!parkedWith) {
        delete this;
        return;
    }
    // The effect parameters go last: their release may end the instance, which then frees this
    // editor at once, so nothing of this object is touched after it.
    AAX_IACFEffectParameters* held = dropHostReferences();
    parkedWith->retire(this, [](void* editor) { delete static_cast<AAXWrapper_CEffectGUI*>(editor); });
    if (held) held->Release();
}

int32_t AAXWrapper_CEffectGUI::Uninitialize() {
    closeOpenEditor();
    unbindInstance();
    return AAX_CEffectGUI::Uninitialize();
}

void AAXWrapper_CEffectGUI::closeOpenEditor() {
    if (pluginEditorOpen) CloseView();
}

VstCallBack* AAXWrapper_CEffectGUI::unbindInstance() {
    VstCallBack* callbacks = instance ? instance->callback : nullptr;
    instance = nullptr;
    if (!callbacks) return nullptr;
    // Another editor of the same instance may have registered since; its link stays. A display
    // update may be inside this editor now (also one that found it before another editor was
    // linked), possibly waiting for this very thread: never waited for.
    callbacks->editor.clearIf(this);
    return callbacks->editor.idle() ? nullptr : callbacks;
}

VstIntPtr AAXWrapper_CEffectGUI::send(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    return instance ? instance->dispatch(opcode, index, value, ptr, opt) : 0;
}

int32_t AAXWrapper_CEffectGUI::PrepareView() {
    closeOpenEditor();
    unbindInstance();
    // Only the module's own effect parameters carry a plug-in; any other object leaves the editor empty.
    auto* wrapper = dynamic_cast<AAXWrapper_Parameters*>(parametersInterface());
    instance = wrapper ? wrapper->vstInterface : nullptr;
    // Published last, complete: a display update on any thread finds this editor or none.
    if (instance && instance->callback) {
        instance->callback->editor.set(this);
        instance->callback->freeRetiredWhenIdle();
    }
    return kResultSuccess;
}

int32_t AAXWrapper_CEffectGUI::QueryViewSize(AAX_Point* size) {
    if (!size) return kResultNotImplemented;
    size->vert = kFallbackViewExtent;
    size->horz = kFallbackViewExtent;
    if (!instance || !instance->effect) return kResultSuccess;
    send(effEditGetRect, 0, 0, &instance->editRect, 0.0f);
    // editRect keeps the plug-in's last answer, so a plug-in that skips one request still reports
    // the size it gave before; one that never answered gets the fallback.
    if (const ERect* rect = instance->editRect) {
        size->vert = static_cast<float>(static_cast<int32_t>(rect->bottom) - rect->top);
        size->horz = static_cast<float>(static_cast<int32_t>(rect->right) - rect->left);
    }
    return kResultSuccess;
}

int16_t AAXWrapper_CEffectGUI::toEditorCoordinate(float value) {
    // A plain conversion of an out-of-range float is undefined; hosts do send huge areas.
    if (std::isnan(value)) return 0;
    if (value >= 32767.0f) return INT16_MAX;
    if (value <= -32768.0f) return INT16_MIN;
    return static_cast<int16_t>(value);
}

int32_t AAXWrapper_CEffectGUI::RedrawRect(AAX_Rect* rect) {
    if (!instance || !rect) return kResultSuccess;
    // The sums are single precision, like the host's coordinates: 10.7 + 50.5 gives 61.
    const float bottom = rect->top + rect->height;
    const float right = rect->left + rect->width;
    ERect area = {toEditorCoordinate(rect->top), toEditorCoordinate(rect->left), toEditorCoordinate(bottom),
                  toEditorCoordinate(right)};
    send(kPrivateEditorRedraw, 0, 0, &area, 0.0f);
    return kResultSuccess;
}

int32_t AAXWrapper_CEffectGUI::TimerTick() {
    send(effEditIdle, 0, 0, nullptr, 0.0f);
    // The host's timer is the main thread's regular visit: the time to prepare for channels a
    // plug-in declared since (it said so, or a render call found out) and to free what callbacks
    // held while they were unlinked.
    if (instance && instance->isUsable()) {
        instance->prepareChannels();
        if (instance->callback) instance->callback->freeRetiredWhenIdle();
    }
    return kResultSuccess;
}

int32_t AAXWrapper_CEffectGUI::OpenView() {
    AAX_IViewContainer* container = hostViewContainer();
    if (!container || container->GetContainerKind() != kNativeWindowContainer) return kResultSuccess;
    OpenPluginEditor(container->GetNativeView());
    return kResultSuccess;
}

int32_t AAXWrapper_CEffectGUI::OpenPluginEditor(void* parentWindow) {
    send(kPrivateEditorPrepare, 0, 0, nullptr, 1.0f);
    if (instance) {
        instance->OpenEditor(parentWindow);
        pluginEditorOpen = instance->isUsable();
    }
    send(kPrivateEditorRedraw, 0, 0, nullptr, 0.0f);
    return kResultSuccess;
}

int32_t AAXWrapper_CEffectGUI::CloseView() {
    pluginEditorOpen = false;
    send(effEditKeyDown, kCloseKeyIndex, kCloseKeyValue, nullptr, 0.0f);
    send(effEditClose, 0, 0, nullptr, 0.0f);
    return kResultSuccess;
}
