// Named, typed values laid out as a chunk record's data block and read back from one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "parameters/aax_chunk.h"
#include "parameters/chunk_data_entry.h"
#include "util/aax_string.h"

// Data block: the marker 01 01 01 01, then per entry a key (kind prefix, name, NUL, zero padding to
// a multiple of 4) and a big-endian value padded to a multiple of 4. Untyped entries (only a load
// produces them) are left out of both GetChunkDataSize and WriteChunk, so the two always agree.
class AAX_CChunkDataParser {
public:
    AAX_CChunkDataParser() = default;
    virtual ~AAX_CChunkDataParser() = default;

    void ClearChunkData();
    // A null name counts as the empty name.
    void AddFloat(const char* name, double value);
    void AddInt32(const char* name, int32_t value);
    void AddString(const char* name, AAX_CString value);

    // Bytes WriteChunk writes after the header; 4 for no entries.
    int32_t GetChunkDataSize() const;
    // Writes the data size and the data block into a record of at least 56 + GetChunkDataSize()
    // bytes; 0, or kResultChunkWriteFailed (the size field may already be written).
    int32_t WriteChunk(AAX_SPlugInChunk* chunk) const;
    // For a record the host sized itself (56 + its data size bytes). Replaces every entry.
    void LoadChunk(const AAX_SPlugInChunk* chunk);
    // For a record from anywhere: never reads beyond recordBytes (header included), whatever the
    // record's size field claims. Entries up to the first malformed one are kept.
    void LoadChunk(const AAX_SPlugInChunk* chunk, size_t recordBytes);

    // True and the value for an entry of that name and kind; false and out untouched otherwise.
    bool FindFloat(const char* name, double* value) const;
    bool FindInt32(const char* name, int32_t* value) const;
    bool FindString(const char* name, AAX_IString* value) const;

    int32_t version() const { return chunkVersion; }
    void setVersion(int32_t newVersion) { chunkVersion = newVersion; }
    const std::vector<ChunkDataEntry>& entries() const { return entryList; }
    int32_t lookupHint() const { return hint; }

private:
    int32_t findIndex(const char* name) const;
    void loadData(const uint8_t* data, size_t size);

    // Moved by lookups, which are otherwise read-only: a run of lookups in entry order then
    // costs one comparison each.
    mutable int32_t hint = -1;
    int32_t chunkVersion = -1;
    std::vector<ChunkDataEntry> entryList;
};
