// One named, typed value of a state chunk's data block.
#pragma once

#include <cstdint>

#include "util/aax_string.h"

struct ChunkDataEntry {
    // The kinds a data block can hold; kUntyped only comes from loading a key with an unknown prefix.
    enum Kind : int32_t { kUntyped = 0, kFloat32 = 1, kInt32 = 2, kDouble = 3, kInt16 = 4, kText = 5 };

    int32_t kind = kUntyped;
    AAX_CString name;
    // The number's bit pattern in the low-order bytes, the rest zero: 64 bits of a double, 32 of a
    // float or 32-bit integer, 16 of a 16-bit integer.
    uint64_t value = 0;
    AAX_CString text;
};
