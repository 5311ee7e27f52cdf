// The plug-in's own chunk passed through the wrapper: IDs, sizes, the first-restore rule and
// plug-ins whose chunk changes or is missing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acf/result_codes.h"
#include "wrapper_fixture.h"

using recording::RecordingConfig;
using simhost::SimEffectInstance;
using testing_support::WrapperTest;

namespace {

constexpr uint32_t kRecordingId = 0x52656331;  // 'Rec1'
constexpr uint8_t kGuard = 0xA5;

std::vector<uint8_t> bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A host record sized for `size` data bytes, every byte a guard.
std::vector<uint8_t> hostRecord(uint32_t size, uint32_t id) {
    std::vector<uint8_t> record(kChunkHeaderSize + size, kGuard);
    reinterpret_cast<AAX_SPlugInChunk*>(record.data())->fChunkID = id;
    return record;
}

class WrapperChunk : public WrapperTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(hooks.ready()) << "the recording plug-in is not built";
        hooks.configure(RecordingConfig{});
        install(testing_support::recordingLibrary());
    }
};

TEST_F(WrapperChunk, PlugInChunkTravelsWholeUnderItsUniqueId) {
    SimEffectInstance& instance = make();
    EXPECT_EQ(instance.chunkId(), kRecordingId);
    std::vector<uint8_t> saved;
    ASSERT_EQ(instance.saveChunk(saved), 0);
    EXPECT_EQ(saved, bytes("RECCHUNK"));

    ASSERT_EQ(instance.loadChunk(bytes("restored state")), 0);
    const recording::RecordingLog& log = logOf(instance);
    EXPECT_EQ(log.lastSetChunkSize, 14);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(log.lastSetChunk), 14), "restored state");
    ASSERT_EQ(instance.saveChunk(saved), 0);
    EXPECT_EQ(saved, bytes("restored state"));

    // The base's CompareChunk treats this foreign-to-it ID as equal.
    std::vector<uint8_t> record = hostRecord(0, kRecordingId);
    uint8_t equal = 0;
    EXPECT_EQ(instance.effectParameters()->CompareChunk(reinterpret_cast<AAX_SPlugInChunk*>(record.data()), &equal), 0);
    EXPECT_EQ(equal, 1);
}

TEST_F(WrapperChunk, OnlyTheFirstRestoreAsksForTheChunkFirst) {
    SimEffectInstance& instance = make();
    recording::RecordingLog& log = const_cast<recording::RecordingLog&>(logOf(instance));
    log.clear();
    ASSERT_EQ(instance.loadChunk(bytes("one")), 0);
    ASSERT_EQ(instance.loadChunk(bytes("two")), 0);
    std::vector<int32_t> chunkCalls;
    for (int32_t opcode : log.opcodes())
        if (opcode == effGetChunk || opcode == effSetChunk) chunkCalls.push_back(opcode);
    const std::vector<int32_t> expected = {effGetChunk, effSetChunk, effSetChunk};
    EXPECT_EQ(chunkCalls, expected);
}

class WrapperReferenceChunk : public WrapperTest {
protected:
    void SetUp() override { install(testing_support::referenceLibrary()); }
};

TEST_F(WrapperReferenceChunk, RestoredStateReachesTheHostsParameters) {
    SimEffectInstance& instance = make();
    std::vector<uint8_t> saved;
    ASSERT_EQ(instance.saveChunk(saved), 0);
    const double before = instance.findParameter("cutoff")->value;

    ASSERT_EQ(instance.setParameter("cutoff", 0.125), 0);
    ASSERT_EQ(instance.setParameter("osc_wave", 1.0), 0);
    ASSERT_DOUBLE_EQ(instance.findParameter("cutoff")->value, 0.125);

    ASSERT_EQ(instance.loadChunk(saved), 0);
    EXPECT_NEAR(instance.findParameter("cutoff")->value, before, 1e-6);
    EXPECT_EQ(instance.findParameter("osc_wave")->value, 0.0);
    EXPECT_EQ(instance.findParameter("")->value, 0.0) << "the bypass is not part of the plug-in's state";
}

TEST_F(WrapperChunk, ForeignIdsAndIndicesGetTheirCodes) {
    SimEffectInstance& instance = make();
    AAX_IACFEffectParameters* parameters = instance.effectParameters();
    uint32_t value = 7;
    EXPECT_EQ(parameters->GetChunkIDFromIndex(1, &value), kResultChunkIndexOutOfRange);
    EXPECT_EQ(value, 0u);
    value = 7;
    EXPECT_EQ(parameters->GetChunkSize(0x656C636B, &value), kResultChunkIdUnknown);
    EXPECT_EQ(value, 0u);

    std::vector<uint8_t> record = hostRecord(8, 0x656C636B);
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    EXPECT_EQ(parameters->GetChunk(0x656C636B, chunk), kResultChunkIdUnknown);
    EXPECT_EQ(parameters->SetChunk(0x656C636B, chunk), kResultChunkIdUnknown);
    EXPECT_TRUE(logOf(instance).dispatches(effSetChunk).empty());
    EXPECT_EQ(record, hostRecord(8, 0x656C636B));
}

TEST_F(WrapperChunk, ChunkThatGrewAfterItsSizeWasToldIsNotWrittenPastTheRecord) {
    SimEffectInstance& instance = make();
    AAX_IACFEffectParameters* parameters = instance.effectParameters();

    // No size told yet: the host's record size is unknown.
    std::vector<uint8_t> record = hostRecord(8, kRecordingId);
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    EXPECT_EQ(parameters->GetChunk(kRecordingId, chunk), kResultChunkSizeMismatch);

    uint32_t size = 0;
    ASSERT_EQ(parameters->GetChunkSize(kRecordingId, &size), 0);
    ASSERT_EQ(size, 8u);
    ASSERT_EQ(instance.loadChunk(bytes("a state of twenty-six bytes")), 0);
    EXPECT_EQ(parameters->GetChunk(kRecordingId, chunk), kResultChunkSizeMismatch);
    EXPECT_EQ(record, hostRecord(8, kRecordingId)) << "nothing written on failure";

    // Asked again, the host gets the new size and then the whole chunk.
    std::vector<uint8_t> saved;
    ASSERT_EQ(instance.saveChunk(saved), 0);
    EXPECT_EQ(saved, bytes("a state of twenty-six bytes"));

    // A chunk that shrank fits the record: its own size is written.
    ASSERT_EQ(parameters->GetChunkSize(kRecordingId, &size), 0);
    ASSERT_EQ(instance.loadChunk(bytes("short")), 0);
    std::vector<uint8_t> roomy = hostRecord(size, kRecordingId);
    chunk = reinterpret_cast<AAX_SPlugInChunk*>(roomy.data());
    ASSERT_EQ(parameters->GetChunk(kRecordingId, chunk), 0);
    EXPECT_EQ(chunk->fSize, 5);
    EXPECT_EQ(std::string(chunk->fData, 5), "short");
    EXPECT_EQ(roomy[kChunkHeaderSize + 5], kGuard);
}

TEST_F(WrapperChunk, NegativeRestoreSizeIsRefused) {
    SimEffectInstance& instance = make();
    std::vector<uint8_t> record = hostRecord(0, kRecordingId);
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    chunk->fSize = -1;
    EXPECT_EQ(instance.effectParameters()->SetChunk(kRecordingId, chunk), kResultChunkSizeMismatch);
    EXPECT_TRUE(logOf(instance).dispatches(effSetChunk).empty());
}

class WrapperNullChunk : public WrapperTest {};

TEST_F(WrapperNullChunk, PlugInHandingNoDataFailsWithoutCopying) {
    install(testing_support::pluginFile("nullchunk"));
    SimEffectInstance& instance = make();
    AAX_IACFEffectParameters* parameters = instance.effectParameters();
    const uint32_t id = instance.chunkId();
    uint32_t size = 0;
    ASSERT_EQ(parameters->GetChunkSize(id, &size), 0);
    ASSERT_EQ(size, 64u);
    std::vector<uint8_t> record = hostRecord(size, id);
    EXPECT_EQ(parameters->GetChunk(id, reinterpret_cast<AAX_SPlugInChunk*>(record.data())), kResultChunkWriteFailed);
    EXPECT_EQ(record, hostRecord(size, id));
}

}  // namespace
