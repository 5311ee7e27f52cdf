// How the chaos plug-in (plugins/chaos.so) is told to misbehave: a configuration for the instances
// created next, and a hook that makes a live instance call its host. Every misbehaviour stays
// inside what a host can survive: the plug-in writes at most kTextRoom bytes into a text buffer the
// host hands it, never hands out chunk data it does not have, and never follows a wild pointer.
#pragma once

#include <cstdint>

#include "vst/vst_types.h"

namespace chaos {

inline constexpr int32_t kMaxParams = 200;        // numParams is clamped to [-4, kMaxParams]
inline constexpr int32_t kChunkCapacity = 65536;  // the most chunk data it ever hands out
inline constexpr int32_t kTextRoom = 256;         // the most it writes into an ID or name buffer
inline constexpr int32_t kMaxReentry = 2;         // calls back into the host nest at most this deep

// What kPrivateGetParamID (and effGetParamName, for names) write.
enum class TextStyle : uint8_t {
    Normal,        // "p<index>" (names: "Param <index>")
    Unterminated,  // kTextRoom bytes, none of them NUL
    Empty,         // just the terminator
    Nothing,       // leaves the buffer as it was given
    Duplicate,     // the same text for every index
    Long,          // "p<index>" followed by 60 more characters, terminated
    Random,        // up to kTextRoom - 1 random bytes, terminated
    Count
};

enum class ChunkStyle : uint8_t {
    Normal,    // its buffer and chunkSize (clamped to [0, kChunkCapacity])
    NullData,  // no data pointer, but chunkSize as it is (any value)
    Negative,  // its buffer and a negative size
    Growing,   // like Normal, one byte more on every request
    Huge,      // no data pointer and a size beyond 32 bits
    Count
};

enum class RectStyle : uint8_t {
    Normal,     // top 0, left 0, bottom 300, right 500
    Null,       // answers 1 with a null rectangle pointer
    Inverted,   // bottom above top, right left of left
    Extreme,    // the 16-bit extremes
    Untouched,  // answers 0 and leaves the pointer as it was
    Count
};

enum class ValueStyle : uint8_t {
    Normal,  // the value last set, initially index / numParams
    NaN,
    Infinite,
    Negative,
    Huge,
    Count
};

struct Config {
    int32_t numParams = 4;
    uint32_t seed = 1;  // choices that vary call by call (random IDs, reentry, automatability)
    TextStyle idStyle = TextStyle::Normal;
    TextStyle nameStyle = TextStyle::Normal;
    uint8_t propertiesAnswer = 1;  // 0: effGetParameterProperties answers 0; 2: garbage in every field
    ChunkStyle chunkStyle = ChunkStyle::Normal;
    int32_t chunkSize = 16;
    RectStyle rectStyle = RectStyle::Normal;
    ValueStyle valueStyle = ValueStyle::Normal;
    uint8_t reentryPercent = 0;    // chance that a dispatcher or process call first calls the host
    uint8_t refusePercent = 0;     // chance that effCanBeAutomated answers 0
    uint8_t nullProcedures = 0;    // bit 0: no processReplacing, 1: no setParameter, 2: no getParameter
    int32_t indexOffset = 0;       // kPrivateGetParamIndex answers the index plus this, unchecked
    uint8_t nullFromMain = 0;      // 1: main() answers null
};

}  // namespace chaos

extern "C" {
// Configuration for instances created from now on; null restores the defaults.
void korvexChaosConfigure(const chaos::Config* config);
using KorvexChaosConfigureProc = void (*)(const chaos::Config*);

// Instances created and not yet closed.
int32_t korvexChaosLiveInstances();
using KorvexChaosLiveInstancesProc = int32_t (*)();

// Instances closed (effClose) with their editor still open (effEditOpen without effEditClose) since
// the last call; the count starts again from 0.
int32_t korvexChaosEditorsLeftOpen();
using KorvexChaosEditorsLeftOpenProc = int32_t (*)();

// The (which mod live count)-th live instance calls its host callback now with these arguments
// and a zeroed kTextRoom-byte buffer as ptr; answers the host's result, 0 when none is live.
VstIntPtr korvexChaosCallHost(int32_t which, int32_t opcode, int32_t index, VstIntPtr value, float opt);
using KorvexChaosCallHostProc = VstIntPtr (*)(int32_t, int32_t, int32_t, VstIntPtr, float);
}
