// Chunk data blocks byte for byte, hinted lookups, and records that lie about themselves.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "acf/result_codes.h"
#include "parameters/aax_cchunk_data_parser.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A record of exactly 56 + data-size bytes, so a sanitizer sees any access past it.
struct Record {
    explicit Record(size_t dataBytes) : bytes(kChunkHeaderSize + dataBytes, 0xEE) {}
    AAX_SPlugInChunk* chunk() { return reinterpret_cast<AAX_SPlugInChunk*>(bytes.data()); }
    Bytes data() const { return Bytes(bytes.begin() + kChunkHeaderSize, bytes.end()); }
    int32_t size() const {
        int32_t n;
        std::memcpy(&n, bytes.data(), 4);
        return n;
    }
    Bytes bytes;
};

Record written(const AAX_CChunkDataParser& parser) {
    Record record(static_cast<size_t>(parser.GetChunkDataSize()));
    EXPECT_EQ(parser.WriteChunk(record.chunk()), kResultSuccess);
    EXPECT_EQ(static_cast<size_t>(record.size()), record.bytes.size() - kChunkHeaderSize);
    return record;
}

// A record holding the given data block, its size field claiming `claimed` bytes.
Record withData(const Bytes& data, int32_t claimed, int32_t version = 0) {
    Record record(data.size());
    std::memcpy(record.bytes.data(), &claimed, 4);
    std::memcpy(record.bytes.data() + 4, &version, 4);
    std::copy(data.begin(), data.end(), record.bytes.begin() + kChunkHeaderSize);
    return record;
}
Record withData(const Bytes& data) { return withData(data, static_cast<int32_t>(data.size())); }

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}
Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }
const Bytes kMarker = {1, 1, 1, 1};

TEST(ChunkParser, EmptyParserWritesTheMarkerAlone) {
    AAX_CChunkDataParser parser;
    EXPECT_EQ(parser.GetChunkDataSize(), 4);
    EXPECT_EQ(written(parser).data(), kMarker);
    EXPECT_EQ(parser.WriteChunk(nullptr), kResultChunkWriteFailed);
}

TEST(ChunkParser, WritesKeysPaddedAndValuesBigEndian) {
    AAX_CChunkDataParser parser;
    parser.AddFloat("gain", 0.5);
    EXPECT_EQ(parser.GetChunkDataSize(), 20);
    EXPECT_EQ(written(parser).data(), cat({kMarker, text("d_gain"), {0, 0}, {0x3F, 0xE0, 0, 0, 0, 0, 0, 0}}));

    parser.ClearChunkData();
    parser.AddInt32("ab", 1);
    parser.AddInt32("x", -2);        // "l_x" + NUL is 4 bytes: no padding
    parser.AddInt32("abcde", 0x01020304);
    EXPECT_EQ(written(parser).data(), cat({kMarker, text("l_ab"), {0, 0, 0, 0}, {0, 0, 0, 1},
                                           text("l_x"), {0}, {0xFF, 0xFF, 0xFF, 0xFE},
                                           text("l_abcde"), {0}, {1, 2, 3, 4}}));
}

TEST(ChunkParser, WritesTextsWithTheirNulAndPadding) {
    AAX_CChunkDataParser parser;
    parser.AddString("t", AAX_CString(""));
    parser.AddString("u", AAX_CString("abcd"));
    EXPECT_EQ(parser.GetChunkDataSize(), 4 + 4 + 4 + 4 + 8);
    EXPECT_EQ(written(parser).data(),
              cat({kMarker, text("r_t"), {0}, {0, 0, 0, 0}, text("r_u"), {0}, text("abcd"), {0, 0, 0, 0}}));
}

TEST(ChunkParser, RoundTripKeepsEveryKindNameAndValue) {
    // f_ and s_ entries cannot be added, only loaded: start from a hand-made block.
    const Bytes block = cat({kMarker, text("f_q"), {0}, {0x3F, 0x80, 0, 0}, text("s_w"), {0}, {0xFF, 0xFE, 0, 0}});
    AAX_CChunkDataParser parser;
    parser.LoadChunk(withData(block).chunk());
    parser.AddFloat("d", -1.25);
    parser.AddInt32("", std::numeric_limits<int32_t>::min());
    parser.AddString("name", AAX_CString("a longer text"));
    const std::vector<ChunkDataEntry> before = parser.entries();

    Record record = written(parser);
    AAX_CChunkDataParser reloaded;
    reloaded.LoadChunk(record.chunk());
    ASSERT_EQ(reloaded.entries().size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(reloaded.entries()[i].kind, before[i].kind) << i;
        EXPECT_EQ(reloaded.entries()[i].name, before[i].name) << i;
        EXPECT_EQ(reloaded.entries()[i].value, before[i].value) << i;
        EXPECT_EQ(reloaded.entries()[i].text, before[i].text) << i;
    }
    EXPECT_EQ(before[0].kind, ChunkDataEntry::kFloat32);
    EXPECT_EQ(before[0].value, 0x3F800000u);
    EXPECT_EQ(before[1].kind, ChunkDataEntry::kInt16);
    EXPECT_EQ(before[1].value, 0xFFFEu);
    double d = 0;
    int32_t i = 0;
    AAX_CString s;
    EXPECT_TRUE(reloaded.FindFloat("d", &d));
    EXPECT_DOUBLE_EQ(d, -1.25);
    EXPECT_TRUE(reloaded.FindInt32(nullptr, &i));
    EXPECT_EQ(i, std::numeric_limits<int32_t>::min());
    EXPECT_TRUE(reloaded.FindString("name", &s));
    EXPECT_EQ(s.StdString(), "a longer text");
}

TEST(ChunkParser, TakesTheVersionEvenFromARecordWithoutEntries) {
    AAX_CChunkDataParser parser;
    parser.AddFloat("a", 1);
    parser.LoadChunk(withData({2, 1, 1, 1, 0, 0, 0, 0}, 8, 7).chunk());
    EXPECT_EQ(parser.version(), 7);
    EXPECT_TRUE(parser.entries().empty());
    double value = 0;
    EXPECT_FALSE(parser.FindFloat("a", &value));

    parser.LoadChunk(withData(kMarker, 4, 3).chunk());
    EXPECT_EQ(parser.version(), 3);
    EXPECT_TRUE(parser.entries().empty());
}

TEST(ChunkParser, LookupsInEntryOrderFollowTheHint) {
    AAX_CChunkDataParser parser;
    parser.AddFloat("a", 1);
    parser.AddInt32("b", 2);
    parser.AddFloat("c", 3);
    double d = 0;
    int32_t i = 0;
    EXPECT_TRUE(parser.FindFloat("a", &d));
    EXPECT_EQ(parser.lookupHint(), 0);
    EXPECT_TRUE(parser.FindInt32("b", &i));
    EXPECT_EQ(parser.lookupHint(), 1);
    EXPECT_TRUE(parser.FindFloat("c", &d));
    EXPECT_EQ(parser.lookupHint(), 2);
    EXPECT_TRUE(parser.FindFloat("a", &d));  // wraps round
    EXPECT_FALSE(parser.FindFloat("absent", &d));
    EXPECT_EQ(parser.lookupHint(), 0);
    d = 42;
    EXPECT_FALSE(parser.FindFloat("b", &d));  // found, but of another kind
    EXPECT_DOUBLE_EQ(d, 42);
    EXPECT_FALSE(parser.FindInt32("a", &i));
    parser.ClearChunkData();
    EXPECT_EQ(parser.lookupHint(), -1);
}

TEST(ChunkParser, DuplicateNamesAreFoundFromJustAfterTheLastHit) {
    AAX_CChunkDataParser parser;
    parser.AddInt32("x", 1);
    parser.AddInt32("y", 2);
    parser.AddInt32("x", 3);
    int32_t value = 0;
    EXPECT_TRUE(parser.FindInt32("x", &value));
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(parser.FindInt32("y", &value));
    EXPECT_TRUE(parser.FindInt32("x", &value));
    EXPECT_EQ(value, 3);
}

// Malformed records: loading keeps the entries before the fault and reads nothing outside the block.

TEST(ChunkParser, StopsAtAKeyWithoutTerminator) {
    AAX_CChunkDataParser parser;
    parser.LoadChunk(withData(cat({kMarker, text("l_a"), {0}, {0, 0, 0, 5}, text("l_bbb")})).chunk());
    ASSERT_EQ(parser.entries().size(), 1u);
    EXPECT_EQ(parser.entries()[0].name.StdString(), "a");
}

TEST(ChunkParser, StopsAtAKeyLongerThan255Bytes) {
    const Bytes key = cat({text("l_"), Bytes(300, 'k'), {0}});
    AAX_CChunkDataParser parser;
    parser.LoadChunk(withData(cat({kMarker, key, {0, 0, 0, 1}})).chunk());
    EXPECT_TRUE(parser.entries().empty());
}

TEST(ChunkParser, StopsAtValuesRunningPastTheDataSize) {
    for (const Bytes& tail : {cat({text("d_a"), {0}, {1, 2, 3, 4}}), cat({text("l_a"), {0}, {1, 2}}),
                              cat({text("s_a"), {0}, {1}}), cat({text("r_a"), {0}, text("abc")}),
                              cat({text("r_a"), {0}})}) {
        AAX_CChunkDataParser parser;
        parser.LoadChunk(withData(cat({kMarker, tail})).chunk());
        EXPECT_TRUE(parser.entries().empty()) << std::string(tail.begin(), tail.end());
    }
}

TEST(ChunkParser, ShortKeysGiveEmptyNamesAndUnknownPrefixesUntypedEntries) {
    AAX_CChunkDataParser parser;
    parser.LoadChunk(withData(cat({kMarker, {0, 0, 0, 0}, text("x"), {0, 0, 0}, text("q_name"), {0, 0},
                                   text("l_"), {0, 0, 0, 0, 0, 9}})).chunk());
    ASSERT_EQ(parser.entries().size(), 4u);
    EXPECT_EQ(parser.entries()[0].kind, ChunkDataEntry::kUntyped);
    EXPECT_EQ(parser.entries()[1].name.StdString(), "");
    EXPECT_EQ(parser.entries()[2].name.StdString(), "name");
    EXPECT_EQ(parser.entries()[3].kind, ChunkDataEntry::kInt32);
    EXPECT_EQ(parser.entries()[3].value, 9u);
}

TEST(ChunkParser, UntypedEntriesAreNeitherCountedNorWritten) {
    AAX_CChunkDataParser parser;
    parser.LoadChunk(withData(cat({kMarker, text("zz_long_unknown_key"), {0}, text("l_a"), {0}, {0, 0, 0, 2}})).chunk());
    ASSERT_EQ(parser.entries().size(), 2u);
    EXPECT_EQ(parser.GetChunkDataSize(), 12);
    EXPECT_EQ(written(parser).data(), cat({kMarker, text("l_a"), {0}, {0, 0, 0, 2}}));
}

TEST(ChunkParser, BelievesASizeFieldOnlyAsFarAsTheRecordGoes) {
    const Bytes block = cat({kMarker, text("l_a"), {0}, {0, 0, 0, 2}, text("l_b"), {0}, {0, 0, 0, 3}});
    Record record = withData(block, 1 << 30);
    AAX_CChunkDataParser parser;
    parser.LoadChunk(record.chunk(), record.bytes.size());
    EXPECT_EQ(parser.entries().size(), 2u);
    parser.LoadChunk(record.chunk(), record.bytes.size() - 1);  // the last value is cut
    EXPECT_EQ(parser.entries().size(), 1u);
}

TEST(ChunkParser, NegativeSizesAndShortRecordsLoadNothing) {
    const Bytes block = cat({kMarker, text("l_a"), {0}, {0, 0, 0, 2}});
    AAX_CChunkDataParser parser;
    parser.LoadChunk(withData(block, -12).chunk());
    EXPECT_TRUE(parser.entries().empty());
    parser.LoadChunk(withData(block, std::numeric_limits<int32_t>::min()).chunk());
    EXPECT_TRUE(parser.entries().empty());

    Record record = withData(block, 12, 5);
    for (size_t bytes : {size_t{0}, size_t{3}, size_t{7}, kChunkHeaderSize, kChunkHeaderSize + 4}) {
        Bytes prefix(record.bytes.begin(), record.bytes.begin() + static_cast<std::ptrdiff_t>(bytes));
        parser.LoadChunk(reinterpret_cast<const AAX_SPlugInChunk*>(prefix.data()), bytes);
        EXPECT_TRUE(parser.entries().empty()) << bytes;
        EXPECT_EQ(parser.version(), bytes >= 8 ? 5 : -1) << bytes;
    }
    parser.LoadChunk(nullptr);
    EXPECT_TRUE(parser.entries().empty());
}

}  // namespace
