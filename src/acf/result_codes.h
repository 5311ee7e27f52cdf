// Every result code the module and its hosts exchange, by name.
#pragma once

#include <cstdint>

inline constexpr int32_t kResultSuccess = 0;
inline constexpr int32_t kResultNoParameter = -20001;         // no parameter with that ID or index
inline constexpr int32_t kResultConversionRefused = -20002;   // text/value conversion refused
inline constexpr int32_t kResultNotImplemented = -20004;      // object or host interface missing, or not implemented
inline constexpr int32_t kResultChunkIndexOutOfRange = -20006;
inline constexpr int32_t kResultChunkIdUnknown = -20007;      // chunk ID not served
inline constexpr int32_t kResultChunkSizeMismatch = -20008;   // size differs from the one last reported
inline constexpr int32_t kResultUnsupported = -20009;
inline constexpr int32_t kResultNoHostUnknown = -20011;       // editor initialised without a host unknown
inline constexpr int32_t kResultChunkWriteFailed = -333;

inline constexpr int32_t kAcfNoInterface = static_cast<int32_t>(0x80000004u);
inline constexpr int32_t kAcfNullInterface = static_cast<int32_t>(0x80000005u);
inline constexpr int32_t kAcfUnexpected = static_cast<int32_t>(0x8000FFFFu);
// ACF's null-pointer code, answered by an entry point whose out-parameter is null.
inline constexpr int32_t kAcfInvalidPointer = static_cast<int32_t>(0x80000005u);

// Thrown by a proxy when the host answers success but hands back no interface; caught at the entry points.
struct AcfNullInterfaceError {
    int32_t code = kAcfNullInterface;
};
