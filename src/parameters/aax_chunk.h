// The host's chunk record: a 56-byte header followed by the data the header's size counts.
#pragma once

#include <cstddef>
#include <cstdint>

struct AAX_SPlugInChunk {
    int32_t fSize;       // bytes of data after the header
    int32_t fVersion;
    uint8_t fHost[12];   // the host's own fields, never touched
    uint32_t fChunkID;
    char fName[32];
    char fData[1];       // the host allocates 56 + fSize bytes; the record is never a value
};

static_assert(offsetof(AAX_SPlugInChunk, fVersion) == 4, "chunk layout");
static_assert(offsetof(AAX_SPlugInChunk, fChunkID) == 20, "chunk layout");
static_assert(offsetof(AAX_SPlugInChunk, fName) == 24, "chunk layout");
static_assert(offsetof(AAX_SPlugInChunk, fData) == 56, "chunk layout");
inline constexpr size_t kChunkHeaderSize = 56;
