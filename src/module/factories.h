// The factory callbacks the description hands to the host: one object per call, owned by the host.
#pragma once

#include "acf/acf_types.h"

// Factory kind 0: the effect-parameters object, reference count 0; null when it cannot be made.
IACFUnknown* CreateParametersObject();
// Factory kind 1: the editor object, reference count 0; null when it cannot be made.
IACFUnknown* CreateGUIObject();
