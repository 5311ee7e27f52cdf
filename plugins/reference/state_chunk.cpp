// Writing and validating the reference plug-in's state chunk.
#include "plugins/reference/state_chunk.h"

#include <cmath>
#include <cstring>

namespace reference {
namespace {

void putU32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t getU32(const uint8_t* at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(at[i]) << (8 * i);
    return v;
}

}  // namespace

const uint8_t* StateChunk::write(const Parameters& parameters) {
    std::memcpy(bytes, kMagic, 4);
    putU32(bytes + 4, kVersion);
    putU32(bytes + 8, kParamCount);
    for (int32_t i = 0; i < kParamCount; ++i) {
        float v = parameters.get(i);
        uint32_t raw;
        std::memcpy(&raw, &v, 4);
        putU32(bytes + kHeaderSize + 4 * static_cast<size_t>(i), raw);
    }
    return bytes;
}

bool StateChunk::read(const void* data, size_t size, Parameters& parameters) {
    if (!data || size != kSize) return false;
    const auto* in = static_cast<const uint8_t*>(data);
    if (std::memcmp(in, kMagic, 4) != 0 || getU32(in + 4) != kVersion || getU32(in + 8) != kParamCount)
        return false;
    float values[kParamCount];
    for (int32_t i = 0; i < kParamCount; ++i) {
        uint32_t raw = getU32(in + kHeaderSize + 4 * static_cast<size_t>(i));
        std::memcpy(&values[i], &raw, 4);
        if (!std::isfinite(values[i]) || values[i] < 0.0f || values[i] > 1.0f) return false;
    }
    parameters.setAll(values);
    return true;
}

}  // namespace reference
