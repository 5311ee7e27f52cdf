// ACFRegisterPlugin's work: the description goes to the host, the module keeps nothing of it.
#include "module/registration.h"

#include "acf/result_codes.h"
#include "host/aax_vcollection.h"
#include "host/host_component.h"
#include "host/host_iids.h"
#include "module/describe_effect.h"

int32_t registerPlugin(IACFUnknown* host, void** definition) {
    if (!definition) return kAcfInvalidPointer;
    AAX_VCollection collection(host);

    int32_t result = kResultNotImplemented;
    if (AAX_IEffectDescriptor* effect = collection.CreateEffectDescriptor()) {
        result = DescribeEffect(effect);
        if (result == kResultSuccess) result = collection.RegisterEffect(kEffectId, effect);
    }
    // The package information goes to the host whatever happened to the effect; its answers don't matter.
    collection.SetVendorName(kManufacturerName);
    for (const char* name : kPackageNames) collection.AddBundleName(name);
    collection.SetBundleVersion(kPackageVersion);
    if (result != kResultSuccess) return result;

    *definition = nullptr;
    // The reference handed out keeps the host collection alive after our proxy releases its own.
    void* pluginDefinition = queryHostInterface(collection.hostInterface(), IID_HostPluginDefinition);
    if (!pluginDefinition) return kResultNotImplemented;
    *definition = pluginDefinition;
    return kResultSuccess;
}

int32_t registerComponent(IACFUnknown*, uint32_t, void** component) {
    if (!component) return kAcfInvalidPointer;
    *component = nullptr;
    return kResultSuccess;
}

int32_t classFactory(IACFUnknown*, const GUID&, const GUID&, void** factory) {
    if (factory) *factory = nullptr;
    return kResultUnsupported;
}

int32_t sdkVersion(uint64_t* version) {
    if (!version) return kAcfInvalidPointer;
    *version = kSdkVersion;
    return kResultSuccess;
}
