// The VST side of one effect instance, built and torn down for AAXWrapper_Parameters.
//
// The owner keeps the three results in its own fields (vstInterface, vstCallBack, vstLoaded):
//
//     VstInstance vst = CreateVstInstance(this, nullptr, nullptr);
//     vstInterface = vst.vstInterface; vstCallBack = vst.vstCallBack; vstLoaded = vst.vstLoaded;
//     ...
//     DestroyVstInstance(vstInterface, vstCallBack);   // first thing in the destructor
//
// and, once its parameters and controller proxy exist, links them in vstCallBack (and clears
// those links before they go). It posts vstInterface and vstLoaded to render-context fields 7
// and 8 itself.
#pragma once

#include <cstdint>

#include "vst/vst_callback.h"
#include "vst/vst_interface.h"

struct VstInstance {
    VstInterface* vstInterface = nullptr;  // owned by the caller from now on
    VstCallBack* vstCallBack = nullptr;    // owned by the caller from now on
    int32_t vstLoaded = 0;                 // 1 when a plug-in was created
};

// [main] Creates both objects and links them, loads the plug-in (no dispatcher call is made) and
// points its user field at the VstCallBack; on failure writes gLoadMessage and leaves an instance
// without a plug-in. parameterManager and controller are borrowed and may be null.
VstInstance CreateVstInstance(AAXWrapper_Parameters* owner, ParameterManager* parameterManager,
                              AAX_IController* controller);

// [main] Deletes the VstInterface (which sends effClose once if a plug-in is held), then the
// VstCallBack, and nulls both pointers. The library stays loaded.
void DestroyVstInstance(VstInterface*& vstInterface, VstCallBack*& vstCallBack);
