// Editor base: what every editor does with the host's unknown and view container.
#include "editor/aax_ceffect_gui.h"

#include <new>
#include <utility>

#include "host/host_iids.h"
#include "util/aax_string.h"

AAX_CEffectGUI::~AAX_CEffectGUI() {
    releaseInstanceState();
    viewContainer.reset();
}

int32_t AAX_CEffectGUI::Initialize(IACFUnknown* hostUnknown) {
    // A host that initialises twice must not leak the first set of references; a fresh editor
    // holds nothing, so this changes nothing for it. Virtual, so a derived editor unbinds first.
    if (controller || effectParameters || transport) Uninitialize();

    controller.reset(new (std::nothrow) AAX_VController(hostUnknown));
    if (!hostUnknown || !controller) return kResultNoHostUnknown;

    void* answered = nullptr;
    hostUnknown->QueryInterface(IID_IACFEffectParameters, &answered);
    effectParameters = static_cast<AAX_IACFEffectParameters*>(answered);

    transport.reset(new (std::nothrow) AAX_VTransport(hostUnknown));
    PrepareView();
    return kResultSuccess;
}

int32_t AAX_CEffectGUI::Uninitialize() {
    releaseInstanceState();
    return kResultSuccess;
}

void AAX_CEffectGUI::releaseInstanceState() {
    // Cleared before Release: the last reference may end the instance, and nothing reached from
    // its destruction should find a half-released pointer here.
    if (AAX_IACFEffectParameters* held = std::exchange(effectParameters, nullptr)) held->Release();
    controller.reset();
    transport.reset();
}

AAX_IACFEffectParameters* AAX_CEffectGUI::dropHostReferences() {
    viewContainer.reset();
    controller.reset();
    transport.reset();
    return std::exchange(effectParameters, nullptr);
}

int32_t AAX_CEffectGUI::AttachViewContainer(IACFUnknown* container) {
    if (!container) {
        // Closed while the container still holds the window: a host may destroy the window
        // with the container's last reference, and the plug-in's editor lives inside it.
        CloseView();
        viewContainer.reset();
        return kResultSuccess;
    }
    // The new proxy takes its reference before the previous one gives its own back, so a host
    // re-attaching the same window never sees it drop to zero in between.
    std::unique_ptr<AAX_VViewContainer> attached(new (std::nothrow) AAX_VViewContainer(container));
    viewContainer = std::move(attached);
    OpenView();
    RefreshAllParameters();
    return kResultSuccess;
}

int32_t AAX_CEffectGUI::RefreshAllParameters() {
    if (!effectParameters) return kResultSuccess;
    int32_t count = 0;
    if (effectParameters->GetNumberOfParameters(&count) != kResultSuccess || count < 0) return kResultSuccess;
    // The IDs are copied into strings; a failed allocation ends the refresh instead of reaching the host.
    try {
        for (int32_t index = 0; index < count; ++index) {
            AAX_CString id;
            if (effectParameters->GetParameterIDFromIndex(index, &id) == kResultSuccess) ParameterChanged(id.Get());
        }
    } catch (...) {
    }
    return kResultSuccess;
}

int32_t AAX_CEffectGUI::Slot5(const void*) { return kResultSuccess; }
int32_t AAX_CEffectGUI::QueryViewSize(AAX_Point*) { return kResultSuccess; }
int32_t AAX_CEffectGUI::RedrawRect(AAX_Rect*) { return kResultSuccess; }
int32_t AAX_CEffectGUI::TimerTick() { return kResultSuccess; }
int32_t AAX_CEffectGUI::ParameterChanged(const char*) { return kResultSuccess; }
int32_t AAX_CEffectGUI::Slot11(const void*) { return kResultNotImplemented; }
int32_t AAX_CEffectGUI::Slot12(const void*) { return kResultSuccess; }
