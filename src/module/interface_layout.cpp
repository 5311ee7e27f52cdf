// Every interface a host calls through, or the module calls on a host, keeps a table laid out
// the same way by any Windows compiler; a change that breaks that fails the build here.
#include "acf/interface_layout.h"
#include "editor/aax_iacf_effect_gui.h"
#include "host/host_interfaces.h"
#include "parameters/aax_iacf_effect_parameters.h"

// The module's objects as the host sees them.
KORVEX_CHECK_ACF_INTERFACE(IACFUnknown);
KORVEX_CHECK_ACF_INTERFACE(AAX_IACFEffectParameters);
KORVEX_CHECK_ACF_INTERFACE(AAX_IACFEffectParameters_V2);
KORVEX_CHECK_ACF_INTERFACE(AAX_IACFEffectGUI);

// The host's objects as the module calls them.
KORVEX_CHECK_ACF_INTERFACE(IACFComponentFactory);
KORVEX_CHECK_ACF_INTERFACE(IHostCollection);
KORVEX_CHECK_ACF_INTERFACE(IHostEffectDescriptor);
KORVEX_CHECK_ACF_INTERFACE(IHostEffectDescriptorV2);
KORVEX_CHECK_ACF_INTERFACE(IHostComponentDescriptor);
KORVEX_CHECK_ACF_INTERFACE(IHostComponentDescriptorV2);
KORVEX_CHECK_ACF_INTERFACE(IHostPropertyMap);
KORVEX_CHECK_ACF_INTERFACE(IHostPropertyMapV2);
KORVEX_CHECK_ACF_INTERFACE(IHostServices);
KORVEX_CHECK_ACF_INTERFACE(IHostController);
KORVEX_CHECK_ACF_INTERFACE(IHostControllerV2);
KORVEX_CHECK_ACF_INTERFACE(IHostTransport);
KORVEX_CHECK_ACF_INTERFACE(IHostTransportV2);
KORVEX_CHECK_ACF_INTERFACE(IHostAutomation);
KORVEX_CHECK_ACF_INTERFACE(IHostViewContainer);
