// Any byte block as a chunk record: loading stays inside it, and what loads survives a write and reload.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "acf/result_codes.h"
#include "parameters/aax_cchunk_data_parser.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool sameEntry(const ChunkDataEntry& a, const ChunkDataEntry& b) {
    return a.kind == b.kind && a.name == b.name && a.value == b.value && a.text == b.text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Exactly the input's bytes on the heap, so the address sanitizer sees a read one past them.
    std::unique_ptr<uint8_t[]> record(new uint8_t[size]);
    if (size > 0) std::memcpy(record.get(), data, size);

    AAX_CChunkDataParser parser;
    parser.LoadChunk(reinterpret_cast<const AAX_SPlugInChunk*>(record.get()), size);

    // Untyped entries are not written, so they are not expected back.
    std::vector<ChunkDataEntry> expected;
    for (const ChunkDataEntry& entry : parser.entries())
        if (entry.kind != ChunkDataEntry::kUntyped) expected.push_back(entry);

    const int32_t dataSize = parser.GetChunkDataSize();
    require(dataSize >= 4);
    const size_t writtenBytes = kChunkHeaderSize + static_cast<size_t>(dataSize);
    std::unique_ptr<uint8_t[]> copy(new uint8_t[writtenBytes]);
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(copy.get());
    require(parser.WriteChunk(chunk) == kResultSuccess);
    int32_t reported = 0;
    std::memcpy(&reported, copy.get(), sizeof reported);
    require(reported == dataSize);

    AAX_CChunkDataParser reloaded;
    reloaded.LoadChunk(chunk, writtenBytes);
    require(reloaded.entries().size() == expected.size());
    for (size_t i = 0; i < expected.size(); ++i) require(sameEntry(reloaded.entries()[i], expected[i]));

    // The host-sized form reads the same record the same way.
    AAX_CChunkDataParser hostSized;
    hostSized.LoadChunk(chunk);
    require(hostSized.entries().size() == expected.size());
    return 0;
}
