// The editor family as an ACF object: the host table first, reference counting second.
#pragma once

#include <cstdint>

#include "acf/cacf_unknown.h"
#include "acf/result_codes.h"
#include "editor/aax_iacf_effect_gui.h"
#include "host/host_iids.h"

class AAX_IEffectGUI : public AAX_IACFEffectGUI, public CACFUnknown {
public:
    KORVEX_ACF_THUNKS

    // The hooks AAX_CEffectGUI turns attach and detach into. Declared here, ahead of the
    // reference-counting overrides below: on ABIs that give an overrider of the second base an
    // entry in the first table (Itanium, so GCC, Clang and MinGW), this keeps them at slots 13-17.
    virtual int32_t PrepareView() = 0;           // 13 [ui] binds the editor to what it shows
    virtual int32_t OpenView() = 0;              // 14 [ui] fills the attached view container
    virtual int32_t CloseView() = 0;             // 15 [ui] empties the view before it goes
    virtual int32_t RefreshAllParameters() = 0;  // 16 [ui] ParameterChanged for every parameter
    virtual int32_t OpenPluginEditor(void* parentWindow) = 0;  // 17 [ui] the plug-in's editor into the window

    // The editor IID answers the primary interface; everything else as the base.
    int32_t NondelegatingQueryInterface(const GUID& iid, void** out) override {
        if (out && iid == IID_IACFEffectGUI) {
            AAX_IACFEffectGUI* primary = this;
            *out = primary;
            primary->AddRef();
            return kResultSuccess;
        }
        return CACFUnknown::NondelegatingQueryInterface(iid, out);
    }

protected:
    AAX_IEffectGUI() = default;
    // Only DeleteSelf ends the object, through the CACFUnknown destructor.
    ~AAX_IEffectGUI() override = default;
};
