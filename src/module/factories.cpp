// Factory callbacks. The host calls them directly, so nothing may escape them: a failed
// construction answers null, which hosts already handle as "no object".
#include "module/factories.h"

#include <new>

#include "editor/aaxwrapper_ceffect_gui.h"
#include "parameters/aaxwrapper_parameters.h"

IACFUnknown* CreateParametersObject() {
    try {
        auto* object = new (std::nothrow) AAXWrapper_Parameters();
        return object ? static_cast<AAX_IACFEffectParameters_V2*>(object) : nullptr;
    } catch (...) {
        return nullptr;
    }
}

IACFUnknown* CreateGUIObject() {
    try {
        auto* object = new (std::nothrow) AAXWrapper_CEffectGUI();
        return object ? static_cast<AAX_IACFEffectGUI*>(object) : nullptr;
    } catch (...) {
        return nullptr;
    }
}
