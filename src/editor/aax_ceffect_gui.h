// The reusable editor base: the instance's run-time proxies and effect parameters, and the attach
// and detach of the host's view container turned into the PrepareView/OpenView/CloseView hooks.
#pragma once

#include <cstdint>
#include <memory>

#include "editor/aax_ieffect_gui.h"
#include "host/aax_vcontroller.h"
#include "host/aax_vtransport.h"
#include "host/aax_vview_container.h"
#include "parameters/aax_iacf_effect_parameters.h"

class AAX_CEffectGUI : public AAX_IEffectGUI {
public:
    // 3 [ui] proxies and the instance's effect parameters from the host unknown, then PrepareView;
    //   -20011 (nothing obtained but the controller proxy) without an unknown.
    int32_t Initialize(IACFUnknown* hostUnknown) override;
    // 4 [ui] drops the effect parameters, the controller and the transport, in that order; 0.
    int32_t Uninitialize() override;
    int32_t Slot5(const void* a) override;  // 5 kept for the slot order: 0
    // 6 [ui] container: a new proxy, OpenView, RefreshAllParameters; null: proxy gone, CloseView. 0.
    int32_t AttachViewContainer(IACFUnknown* container) override;
    int32_t QueryViewSize(AAX_Point* size) override;       // 7 [ui] 0, writes nothing here
    int32_t RedrawRect(AAX_Rect* rect) override;           // 8 [ui] 0
    int32_t TimerTick() override;                          // 9 [ui] 0
    int32_t ParameterChanged(const char* id) override;     // 10 [ui] 0; also called by the plug-in's display updates
    int32_t Slot11(const void* a) override;                // 11 kept for the slot order: -20004
    int32_t Slot12(const void* a) override;                // 12 kept for the slot order: 0

    int32_t PrepareView() override = 0;
    int32_t OpenView() override = 0;
    int32_t CloseView() override = 0;
    // 16 [ui] the effect parameters' IDs, index 0 up, each to ParameterChanged; nothing without them.
    int32_t RefreshAllParameters() override;

protected:
    AAX_CEffectGUI() = default;
    // Releases what Uninitialize releases, and the view container proxy.
    ~AAX_CEffectGUI() override;

    AAX_IController* hostController() const { return controller.get(); }
    // The instance's effect parameters as the host unknown answered them; null if it did not.
    AAX_IACFEffectParameters* parametersInterface() const { return effectParameters; }
    AAX_IViewContainer* hostViewContainer() const { return viewContainer.get(); }
    AAX_ITransport* hostTransport() const { return transport.get(); }
    // Gives back the view container and the host proxies, and hands the caller the counted
    // reference to the effect parameters (null if none), which the caller must release.
    AAX_IACFEffectParameters* dropHostReferences();

private:
    void releaseInstanceState();

    std::unique_ptr<AAX_VController> controller;
    AAX_IACFEffectParameters* effectParameters = nullptr;  // one counted reference
    // Owned: replaced on re-attach and dropped on detach, so the host's window object goes with it.
    std::unique_ptr<AAX_VViewContainer> viewContainer;
    std::unique_ptr<AAX_VTransport> transport;
};
