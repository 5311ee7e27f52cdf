// Finds the wrapped library through the registry, loads it and creates one plug-in through "main".
#pragma once

#include <cstddef>

#include "vst/vst_types.h"

inline constexpr size_t kLoadMessageSize = 1024;
inline constexpr size_t kInstallFolderSize = 1000;

// The last load-failure text; written without a lock, never shown or returned.
extern char gLoadMessage[kLoadMessageSize];

// [main] Writes the load-failure text for the maker and product into gLoadMessage.
void FormatLoadMessage();

// [main] A new AEffect with its user field null, or null when the key, the value, the library,
// its "main" or the plug-in is missing, or when the install folder fills the whole value buffer.
// The library stays loaded either way.
AEffect* LoadVstPlugin();
