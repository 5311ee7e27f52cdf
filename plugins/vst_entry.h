// How our VST 2.4 plug-ins export their entry: C++ forbids a function named main that returns
// an AEffect*, so the symbol "main" is given to a differently named function instead.
#pragma once

#include "vst/vst_types.h"

// PE libraries export what is marked dllexport (and nothing else once anything is); ELF ones what
// has default visibility. x86-64 Windows adds no underscore to C names, so "main" is the export.
#if defined(_WIN32)
#define KORVEX_VST_EXPORT extern "C" __declspec(dllexport)
#else
#define KORVEX_VST_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Declares the entry point; define it as `AEffect* korvexVstMain(audioMasterCallback host) { ... }`.
KORVEX_VST_EXPORT AEffect* korvexVstMain(audioMasterCallback host) __asm__("main");
