// Registration of the module's one effect with the host, and the fixed answers of the other entry points.
#pragma once

#include <cstdint>

#include "acf/acf_types.h"

inline constexpr uint64_t kSdkVersion = 0x000002000061125CULL;
inline constexpr const char* kEffectId = "com.tolm-lab.aax.korvex";
inline constexpr const char* kManufacturerName = "TOLM-lab";
inline constexpr const char* kPackageNames[] = {"K.O.R.V.E.X", "KORVEX", "KVX"};
inline constexpr uint32_t kPackageVersion = 1;

// Describes and registers the effect through a collection proxy that lives for this call only.
// Throws AcfNullInterfaceError when the host answers success without an interface.
int32_t registerPlugin(IACFUnknown* host, void** definition);
int32_t registerComponent(IACFUnknown* host, uint32_t index, void** component);
int32_t classFactory(IACFUnknown* host, const GUID& classId, const GUID& iid, void** factory);
int32_t sdkVersion(uint64_t* version);
