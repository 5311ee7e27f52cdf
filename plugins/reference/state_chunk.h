// The reference plug-in's saved state: "KVXS", a format version and the parameter values,
// all little-endian, so a chunk saved on one machine loads on any other.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugins/reference/parameters.h"

namespace reference {

class StateChunk {
public:
    static constexpr uint8_t kMagic[4] = {'K', 'V', 'X', 'S'};
    static constexpr uint32_t kVersion = 1;
    // magic, version, value count, then one float per parameter.
    static constexpr size_t kHeaderSize = 12;
    static constexpr size_t kSize = kHeaderSize + 4 * kParamCount;

    // Fills the chunk from the current values; the bytes stay valid until the next write.
    const uint8_t* write(const Parameters& parameters);
    // Validates size, magic, version, count and every value; only a valid chunk changes anything.
    static bool read(const void* data, size_t size, Parameters& parameters);

private:
    uint8_t bytes[kSize] = {};
};

}  // namespace reference
