// The effect-parameters family as an ACF object: the host table first, reference counting second.
#pragma once

#include <cstdint>

#include "acf/cacf_unknown.h"
#include "acf/result_codes.h"
#include "host/host_iids.h"
#include "parameters/aax_iacf_effect_parameters.h"

class AAX_IEffectParameters : public AAX_IACFEffectParameters_V2, public CACFUnknown {
public:
    KORVEX_ACF_THUNKS

    // 48 [main] the effect's own set-up, run by Initialize once the proxies exist; non-zero aborts it.
    // Declared here, ahead of the reference-counting overrides below: on ABIs that give an
    // overrider of the second base an entry in the first table, this keeps the step at slot 48.
    virtual int32_t InitializeEffect() = 0;

    // Both effect-parameters IIDs answer the primary interface; everything else as the base.
    int32_t NondelegatingQueryInterface(const GUID& iid, void** out) override {
        if (out && (iid == IID_IACFEffectParameters || iid == IID_IACFEffectParametersV2)) {
            AAX_IACFEffectParameters_V2* primary = this;
            *out = primary;
            primary->AddRef();
            return kResultSuccess;
        }
        return CACFUnknown::NondelegatingQueryInterface(iid, out);
    }

protected:
    AAX_IEffectParameters() = default;
    // Only DeleteSelf ends the object, through the CACFUnknown destructor.
    ~AAX_IEffectParameters() override = default;
};
