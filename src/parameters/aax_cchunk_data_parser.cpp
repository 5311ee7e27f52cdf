// Layout of the state chunk's data block: writing, bounded reading and hinted lookup.
#include "parameters/aax_cchunk_data_parser.h"

#include <cstring>
#include <limits>
#include <new>

#include "acf/result_codes.h"

namespace {

constexpr uint8_t kMarker[4] = {1, 1, 1, 1};
constexpr size_t kMarkerSize = 4;
// A key is looked for within this many bytes, its NUL included.
constexpr size_t kMaxKeyBytes = 255;

size_t roundUp4(size_t n) { return (n + 3) & ~static_cast<size_t>(3); }

const char* prefixOf(int32_t kind) {
    switch (kind) {
    case ChunkDataEntry::kFloat32: return "f_";
    case ChunkDataEntry::kInt32: return "l_";
    case ChunkDataEntry::kDouble: return "d_";
    case ChunkDataEntry::kInt16: return "s_";
    case ChunkDataEntry::kText: return "r_";
    default: return nullptr;
    }
}

size_t valueBytes(const ChunkDataEntry& entry) {
    switch (entry.kind) {
    case ChunkDataEntry::kDouble: return 8;
    case ChunkDataEntry::kFloat32:
    case ChunkDataEntry::kInt32:
    case ChunkDataEntry::kInt16: return 4;
    case ChunkDataEntry::kText: return roundUp4(static_cast<size_t>(entry.text.Length()) + 1);
    default: return 0;
    }
}

// Zero for untyped entries: they have no prefix to write, so they are not written at all.
size_t entryBytes(const ChunkDataEntry& entry) {
    if (prefixOf(entry.kind) == nullptr) return 0;
    return roundUp4(2 + static_cast<size_t>(entry.name.Length()) + 1) + valueBytes(entry);
}

size_t dataBytes(const std::vector<ChunkDataEntry>& entries) {
    size_t total = kMarkerSize;
    for (const ChunkDataEntry& entry : entries) total += entryBytes(entry);
    return total;
}

void writeBigEndian(uint8_t* out, uint64_t bits, size_t width) {
    for (size_t i = 0; i < width; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * (width - 1 - i)));
}

uint64_t readBigEndian(const uint8_t* in, size_t width) {
    uint64_t bits = 0;
    for (size_t i = 0; i < width; ++i) bits = (bits << 8) | in[i];
    return bits;
}

int32_t readInt32(const uint8_t* in) {
    int32_t v;
    std::memcpy(&v, in, sizeof v);
    return v;
}

}  // namespace

void AAX_CChunkDataParser::ClearChunkData() {
    entryList.clear();
    hint = -1;
}

void AAX_CChunkDataParser::AddFloat(const char* name, double value) {
    ChunkDataEntry entry;
    entry.kind = ChunkDataEntry::kDouble;
    entry.name = name;
    std::memcpy(&entry.value, &value, sizeof value);
    entryList.push_back(entry);
}

void AAX_CChunkDataParser::AddInt32(const char* name, int32_t value) {
    ChunkDataEntry entry;
    entry.kind = ChunkDataEntry::kInt32;
    entry.name = name;
    entry.value = static_cast<uint32_t>(value);
    entryList.push_back(entry);
}

void AAX_CChunkDataParser::AddString(const char* name, AAX_CString value) {
    ChunkDataEntry entry;
    entry.kind = ChunkDataEntry::kText;
    entry.name = name;
    entry.text = value;
    entryList.push_back(entry);
}

// Saturates rather than wraps; WriteChunk refuses a block that large.
int32_t AAX_CChunkDataParser::GetChunkDataSize() const {
    const size_t total = dataBytes(entryList);
    constexpr size_t kMax = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(total > kMax ? kMax : total);
}

int32_t AAX_CChunkDataParser::WriteChunk(AAX_SPlugInChunk* chunk) const {
    if (chunk == nullptr) return kResultChunkWriteFailed;
    const size_t total = dataBytes(entryList);
    const int32_t reported = GetChunkDataSize();
    std::memcpy(&chunk->fSize, &reported, sizeof reported);
    if (total != static_cast<size_t>(reported)) return kResultChunkWriteFailed;

    // Addressed from the record's start: fData is declared with one element only.
    uint8_t* data = reinterpret_cast<uint8_t*>(chunk) + kChunkHeaderSize;
    std::memset(data, 0, total);
    std::memcpy(data, kMarker, kMarkerSize);
    size_t pos = kMarkerSize;
    for (const ChunkDataEntry& entry : entryList) {
        const char* prefix = prefixOf(entry.kind);
        if (prefix == nullptr) continue;
        const size_t nameLength = entry.name.Length();
        std::memcpy(data + pos, prefix, 2);
        std::memcpy(data + pos + 2, entry.name.Get(), nameLength);
        pos = roundUp4(pos + 2 + nameLength + 1);
        switch (entry.kind) {
        case ChunkDataEntry::kDouble: writeBigEndian(data + pos, entry.value, 8); break;
        case ChunkDataEntry::kFloat32:
        case ChunkDataEntry::kInt32: writeBigEndian(data + pos, entry.value, 4); break;
        case ChunkDataEntry::kInt16: writeBigEndian(data + pos, entry.value, 2); break;
        default: std::memcpy(data + pos, entry.text.Get(), entry.text.Length()); break;
        }
        pos += valueBytes(entry);
    }
    return kResultSuccess;
}

void AAX_CChunkDataParser::LoadChunk(const AAX_SPlugInChunk* chunk) {
    if (chunk == nullptr) {
        LoadChunk(chunk, 0);
        return;
    }
    const int32_t claimed = readInt32(reinterpret_cast<const uint8_t*>(chunk));
    const size_t dataSize = claimed > 0 ? static_cast<size_t>(claimed) : 0;
    LoadChunk(chunk, kChunkHeaderSize + dataSize);
}

void AAX_CChunkDataParser::LoadChunk(const AAX_SPlugInChunk* chunk, size_t recordBytes) {
    hint = -1;
    entryList.clear();
    chunkVersion = -1;
    if (chunk == nullptr) return;
    const uint8_t* record = reinterpret_cast<const uint8_t*>(chunk);
    if (recordBytes >= 8) chunkVersion = readInt32(record + 4);
    if (recordBytes < 4) return;
    const int32_t claimed = readInt32(record);
    if (claimed <= 0 || recordBytes <= kChunkHeaderSize) return;
    // A size field larger than the record is believed only as far as the record's bytes go.
    const size_t available = recordBytes - kChunkHeaderSize;
    const size_t size = static_cast<size_t>(claimed) < available ? static_cast<size_t>(claimed) : available;
    loadData(record + kChunkHeaderSize, size);
}

// Stops at the first entry that does not fit the block (a key without its NUL, a value running
// past the end): what follows cannot be placed reliably, and nothing outside the block is read.
void AAX_CChunkDataParser::loadData(const uint8_t* data, size_t size) {
    if (size <= kMarkerSize || std::memcmp(data, kMarker, kMarkerSize) != 0) return;
    size_t pos = kMarkerSize;
    while (pos < size) {
        const size_t window = size - pos < kMaxKeyBytes ? size - pos : kMaxKeyBytes;
        const void* nul = std::memchr(data + pos, 0, window);
        if (nul == nullptr) return;
        const size_t keyLength = static_cast<size_t>(static_cast<const uint8_t*>(nul) - (data + pos));
        const char* key = reinterpret_cast<const char*>(data + pos);
        const size_t c = roundUp4(pos + keyLength + 1);

        ChunkDataEntry entry;
        entry.name = keyLength > 2 ? key + 2 : "";
        const auto fits = [&](size_t width) { return c <= size && width <= size - c; };
        switch (keyLength > 0 ? key[0] : '\0') {
        case 'd':
            if (!fits(8)) return;
            entry.kind = ChunkDataEntry::kDouble;
            entry.value = readBigEndian(data + c, 8);
            pos = c + 8;
            break;
        case 'f':
        case 'l':
            if (!fits(4)) return;
            entry.kind = key[0] == 'f' ? ChunkDataEntry::kFloat32 : ChunkDataEntry::kInt32;
            entry.value = readBigEndian(data + c, 4);
            pos = c + 4;
            break;
        case 's':
            if (!fits(2)) return;
            entry.kind = ChunkDataEntry::kInt16;
            entry.value = readBigEndian(data + c, 2);
            pos = c + 4;
            break;
        case 'r': {
            if (c >= size) return;
            const void* end = std::memchr(data + c, 0, size - c);
            if (end == nullptr) return;
            const size_t textLength = static_cast<size_t>(static_cast<const uint8_t*>(end) - (data + c));
            entry.kind = ChunkDataEntry::kText;
            entry.text = reinterpret_cast<const char*>(data + c);
            pos = roundUp4(c + textLength + 1);
            break;
        }
        default:
            entry.kind = ChunkDataEntry::kUntyped;
            pos = c;
            break;
        }
        entryList.push_back(entry);
    }
}

bool AAX_CChunkDataParser::FindFloat(const char* name, double* value) const {
    if (value == nullptr) return false;
    const int32_t index = findIndex(name);
    if (index < 0 || entryList[static_cast<size_t>(index)].kind != ChunkDataEntry::kDouble) return false;
    std::memcpy(value, &entryList[static_cast<size_t>(index)].value, sizeof *value);
    return true;
}

bool AAX_CChunkDataParser::FindInt32(const char* name, int32_t* value) const {
    if (value == nullptr) return false;
    const int32_t index = findIndex(name);
    if (index < 0 || entryList[static_cast<size_t>(index)].kind != ChunkDataEntry::kInt32) return false;
    *value = static_cast<int32_t>(static_cast<uint32_t>(entryList[static_cast<size_t>(index)].value));
    return true;
}

bool AAX_CChunkDataParser::FindString(const char* name, AAX_IString* value) const {
    if (value == nullptr) return false;
    const int32_t index = findIndex(name);
    if (index < 0 || entryList[static_cast<size_t>(index)].kind != ChunkDataEntry::kText) return false;
    value->Set(entryList[static_cast<size_t>(index)].text.Get());
    return true;
}

// Searches from just after the last hit, wrapping round once; a miss leaves the hint alone.
int32_t AAX_CChunkDataParser::findIndex(const char* name) const {
    const char* wanted = name ? name : "";
    const int32_t count = static_cast<int32_t>(entryList.size());
    if (hint >= count - 1) hint = -1;
    const auto matches = [&](int32_t index) {
        return std::strcmp(entryList[static_cast<size_t>(index)].name.Get(), wanted) == 0;
    };
    for (int32_t index = hint + 1; index < count; ++index)
        if (matches(index)) return hint = index;
    for (int32_t index = 0; index <= hint; ++index)
        if (matches(index)) return hint = index;
    return -1;
}
