// The host callback handed to the wrapped library's "main": fixed answers, or routing to the instance.
#pragma once

#include <cstdint>

#include "vst/vst_types.h"

inline constexpr VstIntPtr kHostVersion = 7;
inline constexpr VstIntPtr kHostId = 0x41415348;  // 'AASH'
inline constexpr char kHostVendorString[] = "Tolm AAX Wrapper";

// [any] Version, host ID and vendor string are answered here; automate, time, size window,
// sample rate, update display and begin/end edit go to the VstCallBack in effect->user
// (0 while there is none, as during "main"); every other opcode answers 0.
VstIntPtr HostCallback(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);
