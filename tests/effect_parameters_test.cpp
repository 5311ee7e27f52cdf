// The effect-parameters base driven as a host would: through its slots, with simulated host services.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/host_iids.h"
#include "parameters/aax_cbinary_display_delegate.h"
#include "parameters/aax_cbinary_taper_delegate.h"
#include "parameters/aax_ceffect_parameters.h"
#include "parameters/aax_clinear_taper_delegate.h"
#include "parameters/aax_cnumber_display_delegate.h"
#include "parameters/aax_cparameter.h"
#include "simhost/sim_instance_unknown.h"

namespace {

constexpr uint32_t kStateChunk = AAX_CEffectParameters::kControlsStateChunkID;
constexpr uint32_t kGainField = 5;

// Two float parameters, a bypass switch and, optionally, the preview switch.
class TestEffect final : public AAX_CEffectParameters {
public:
    const char* bypassId = "";
    bool withPreview = false;
    int32_t initializeResult = kResultSuccess;

    int32_t InitializeEffect() override {
        if (initializeResult != kResultSuccess) return initializeResult;
        addFloat("Gain", "Long Name\nShort", 0.5f);
        addFloat("Mix", "Mix", 0.0f);
        addBool(bypassId, "Master Bypass");
        if (withPreview) addBool("PreviewID", "Preview");
        packetDispatcher().AddPacket("Gain", kGainField,
                                     AAX_CPacketHandler<AAX_CPacketDispatcher>(
                                         &packetDispatcher(), &AAX_CPacketDispatcher::FillSingleValuePacket));
        return kResultSuccess;
    }

    void addFloat(const char* id, const char* name, float value) {
        parameterManager().AddParameter(new AAX_CParameter<float>(
            id, name, value, AAX_CLinearTaperDelegate<float>(0.0f, 1.0f), AAX_CNumberDisplayDelegate<float>(), true));
    }
    void addBool(const char* id, const char* name) {
        parameterManager().AddParameter(new AAX_CParameter<bool>(
            id, name, false, AAX_CBinaryTaperDelegate<bool>(), AAX_CBinaryDisplayDelegate<bool>("bypass", "on"), true));
    }
    using AAX_CEffectParameters::filteredParameterIds;
};

// One instance on simulated host services; the automation service answers every request at once.
class EffectParameters : public ::testing::Test {
protected:
    void SetUp() override {
        objectsAtStart = gObjectCount.load();
        hostObjectsAtStart = simhost::liveHostObjects();
        controller = new simhost::SimController;
        automation = new simhost::SimAutomation;
        simhost::InstanceServices services;
        services.controller = controller;
        services.automation = automation;
        instance = new simhost::SimInstanceUnknown(services);
        automation->setSetValueHook(
            [this](const std::string& id, double value) { host->UpdateParameterNormalizedValue(id.c_str(), value, 0); });
        effect = new TestEffect;
        void* primary = nullptr;
        ASSERT_EQ(effect->QueryInterface(IID_IACFEffectParameters, &primary), kResultSuccess);
        host = static_cast<AAX_IACFEffectParameters_V2*>(primary);
    }

    void TearDown() override {
        if (host) {
            EXPECT_EQ(host->Release(), 0u);
        }
        automation->setSetValueHook(nullptr);
        instance->Release();
        controller->Release();
        automation->Release();
        EXPECT_EQ(gObjectCount.load(), objectsAtStart);
        EXPECT_EQ(simhost::liveHostObjects(), hostObjectsAtStart);
    }

    void initialize() { ASSERT_EQ(host->Initialize(instance), kResultSuccess); }
    double normalized(const char* id) {
        double value = -1.0;
        EXPECT_EQ(host->GetParameterNormalizedValue(id, &value), kResultSuccess);
        return value;
    }
    // A record the size the host would allocate after GetChunkSize.
    std::vector<uint8_t> saveState() {
        uint32_t size = 0;
        EXPECT_EQ(host->GetChunkSize(kStateChunk, &size), kResultSuccess);
        std::vector<uint8_t> record(kChunkHeaderSize + size, 0xEE);
        chunkOf(record)->fChunkID = kStateChunk;
        EXPECT_EQ(host->GetChunk(kStateChunk, chunkOf(record)), kResultSuccess);
        return record;
    }
    static AAX_SPlugInChunk* chunkOf(std::vector<uint8_t>& record) {
        return reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    }

    int32_t objectsAtStart = 0;
    int32_t hostObjectsAtStart = 0;
    simhost::SimController* controller = nullptr;
    simhost::SimAutomation* automation = nullptr;
    simhost::SimInstanceUnknown* instance = nullptr;
    TestEffect* effect = nullptr;
    AAX_IACFEffectParameters_V2* host = nullptr;
};

TEST_F(EffectParameters, AnswersBothOwnInterfacesWithOnePointerAndNothingElse) {
    void* second = nullptr;
    ASSERT_EQ(host->QueryInterface(IID_IACFEffectParametersV2, &second), kResultSuccess);
    EXPECT_EQ(second, host);
    EXPECT_EQ(effect->referenceCount(), 2);
    host->Release();

    void* editor = &second;
    EXPECT_EQ(host->QueryInterface(IID_IACFEffectGUI, &editor), kAcfNoInterface);
    EXPECT_EQ(editor, nullptr);
    void* identity = nullptr;
    ASSERT_EQ(host->QueryInterface(IID_IACFUnknown, &identity), kResultSuccess);
    EXPECT_EQ(identity, effect->privateUnknown());
    static_cast<IACFUnknown*>(identity)->Release();
    EXPECT_EQ(effect->referenceCount(), 1);
}

TEST_F(EffectParameters, TableSlot48IsTheEffectStep) {
    effect->initializeResult = -7;
    using Slot = int32_t (*)(void*);
    Slot* table = *reinterpret_cast<Slot**>(host);
    EXPECT_EQ(table[48](host), -7);
    EXPECT_EQ(host->Initialize(instance), -7);
    EXPECT_TRUE(effect->filteredParameterIds().empty());
}

TEST_F(EffectParameters, ListsAndFindsParameters) {
    initialize();
    int32_t count = 0;
    EXPECT_EQ(host->GetNumberOfParameters(&count), kResultSuccess);
    EXPECT_EQ(count, 3);
    int32_t index = 9;
    EXPECT_EQ(host->GetParameterIndex("Mix", &index), kResultSuccess);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(host->GetParameterIndex("Nope", &index), kResultNoParameter);
    EXPECT_EQ(index, -1);

    AAX_CString id("untouched");
    EXPECT_EQ(host->GetParameterIDFromIndex(0, &id), kResultSuccess);
    EXPECT_STREQ(id.Get(), "Gain");
    for (int32_t outside : {-1, 3}) {
        id = "untouched";
        EXPECT_EQ(host->GetParameterIDFromIndex(outside, &id), kResultNoParameter);
        EXPECT_STREQ(id.Get(), "");
    }
    AAX_IParameter* parameter = nullptr;
    EXPECT_EQ(host->GetParameter("Nope", &parameter), kResultNoParameter);
    EXPECT_EQ(parameter, nullptr);
    EXPECT_EQ(host->GetParameter("Gain", &parameter), kResultSuccess);
    ASSERT_NE(parameter, nullptr);
    EXPECT_STREQ(parameter->Identifier(), "Gain");

    AAX_CString name("untouched");
    EXPECT_EQ(host->GetParameterName("Nope", &name), kResultSuccess);
    EXPECT_STREQ(name.Get(), "");
    double value = 0.125;
    EXPECT_EQ(host->GetParameterDefaultNormalizedValue("Nope", &value), kResultNoParameter);
    EXPECT_EQ(value, 0.125);
}

TEST_F(EffectParameters, MasterBypassIdIsEmptyUnlessSoNamed) {
    initialize();
    AAX_CString bypass("untouched");
    EXPECT_EQ(host->GetMasterBypassID(&bypass), kResultSuccess);
    EXPECT_STREQ(bypass.Get(), "");
    EXPECT_EQ(effect->filteredParameterIds(), std::set<std::string>{""});

    host->Uninitialize();
    effect->bypassId = "MasterBypassID";
    initialize();
    EXPECT_EQ(host->GetMasterBypassID(&bypass), kResultSuccess);
    EXPECT_STREQ(bypass.Get(), "MasterBypassID");
    EXPECT_EQ(effect->filteredParameterIds().count("MasterBypassID"), 1u);
}

TEST_F(EffectParameters, NameOfLengthPicksTheLongestLineThatFits) {
    initialize();
    AAX_CString name;
    EXPECT_EQ(host->GetParameterNameOfLength("Gain", &name, 31), kResultSuccess);
    EXPECT_STREQ(name.Get(), "Long Name");
    EXPECT_EQ(host->GetParameterNameOfLength("Gain", &name, 5), kResultSuccess);
    EXPECT_STREQ(name.Get(), "Short");
    EXPECT_EQ(host->GetParameterNameOfLength("Gain", &name, 3), kResultSuccess);
    EXPECT_STREQ(name.Get(), "Long Name\nShort");
    EXPECT_EQ(host->GetParameterNameOfLength("Nope", &name, 31), kResultSuccess);
    EXPECT_STREQ(name.Get(), "");
}

TEST_F(EffectParameters, RelativeChangesClampToTheNormalizedRange) {
    initialize();
    ASSERT_EQ(host->SetParameterNormalizedValue("Gain", 0.9), kResultSuccess);
    EXPECT_EQ(host->SetParameterNormalizedRelative("Gain", 0.3), kResultSuccess);
    EXPECT_DOUBLE_EQ(normalized("Gain"), 1.0);
    ASSERT_EQ(host->SetParameterNormalizedValue("Gain", 0.1), kResultSuccess);
    EXPECT_EQ(host->SetParameterNormalizedRelative("Gain", -0.3), kResultSuccess);
    EXPECT_DOUBLE_EQ(normalized("Gain"), 0.0);
    EXPECT_EQ(host->UpdateParameterNormalizedRelative("Mix", 1.5), kResultSuccess);
    EXPECT_DOUBLE_EQ(normalized("Mix"), 1.0);
    EXPECT_EQ(host->SetParameterNormalizedRelative("Nope", 0.1), kResultNoParameter);
}

TEST_F(EffectParameters, PreviewNotificationSetsOnlyThePreviewSwitch) {
    effect->withPreview = true;
    initialize();
    const int32_t on = 1;
    EXPECT_EQ(host->ReceiveNotification(0x41424344u, &on, sizeof on), kResultSuccess);
    EXPECT_EQ(normalized("PreviewID"), 0.0);
    EXPECT_EQ(host->ReceiveNotification(AAX_CEffectParameters::kPreviewNotification, &on, 2), kResultSuccess);
    EXPECT_EQ(normalized("PreviewID"), 0.0);
    EXPECT_EQ(host->ReceiveNotification(AAX_CEffectParameters::kPreviewNotification, nullptr, 4), kResultSuccess);
    EXPECT_EQ(host->ReceiveNotification(AAX_CEffectParameters::kPreviewNotification, &on, sizeof on), kResultSuccess);
    EXPECT_EQ(normalized("PreviewID"), 1.0);
}

TEST_F(EffectParameters, HostDeliveriesAreCountedAndReachTheRenderContext) {
    initialize();
    ASSERT_EQ(host->DispatchParameterPackets(), kResultSuccess);
    const size_t postsBefore = controller->packetCount(kGainField);
    for (double value : {0.25, 0.75})
        EXPECT_EQ(host->UpdateParameterNormalizedValue("Gain", value, 0), kResultSuccess);
    EXPECT_EQ(host->UpdateParameterNormalizedValue("Nope", 0.5, 0), kResultNoParameter);
    int32_t changes = -1;
    EXPECT_EQ(host->GetNumberOfChanges(&changes), kResultSuccess);
    EXPECT_EQ(changes, 2);

    EXPECT_EQ(host->DispatchParameterPackets(), kResultSuccess);
    EXPECT_EQ(controller->packetCount(kGainField), postsBefore + 1);
    float posted = 0.0f;
    const std::vector<uint8_t> bytes = controller->packet(kGainField);
    ASSERT_EQ(bytes.size(), sizeof posted);
    std::memcpy(&posted, bytes.data(), sizeof posted);
    EXPECT_EQ(posted, 0.75f);

    // The registrations outlive Uninitialize; the deleted controller must not be reached.
    EXPECT_EQ(host->Uninitialize(), kResultSuccess);
    EXPECT_EQ(host->DispatchParameterPackets(), kResultNotImplemented);
    EXPECT_EQ(automation->registeredCount(), 0u);
}

TEST_F(EffectParameters, NullOutputsAreRefusedWithoutCrashing) {
    initialize();
    EXPECT_NE(host->GetNumberOfParameters(nullptr), kResultSuccess);
    EXPECT_NE(host->GetMasterBypassID(nullptr), kResultSuccess);
    EXPECT_NE(host->GetParameterIsAutomatable("Gain", nullptr), kResultSuccess);
    EXPECT_NE(host->GetParameterName("Gain", nullptr), kResultSuccess);
    EXPECT_NE(host->GetParameterNameOfLength("Gain", nullptr, 5), kResultSuccess);
    EXPECT_NE(host->GetParameter("Gain", nullptr), kResultSuccess);
    EXPECT_NE(host->GetParameterValueFromString("Gain", nullptr, nullptr), kResultSuccess);
    EXPECT_NE(host->GetParameterNormalizedValue("Gain", nullptr), kResultSuccess);
    EXPECT_NE(host->ClearFieldData(0, nullptr, 4), kResultSuccess);
    EXPECT_NE(host->GetChunkSize(kStateChunk, nullptr), kResultSuccess);
    EXPECT_NE(host->GetChunk(kStateChunk, nullptr), kResultSuccess);
    EXPECT_NE(host->SetChunk(kStateChunk, nullptr), kResultSuccess);
    EXPECT_NE(host->CompareChunk(nullptr, nullptr), kResultSuccess);
    EXPECT_NE(host->GetNumberOfChanges(nullptr), kResultSuccess);
}

TEST_F(EffectParameters, StateChunkOfOnlyTheFilteredBypassIsEmpty) {
    ASSERT_EQ(host->Initialize(nullptr), kResultSuccess);
    effect->filteredParameterIds().insert("Gain");
    effect->filteredParameterIds().insert("Mix");
    std::vector<uint8_t> record = saveState();
    const AAX_SPlugInChunk* chunk = chunkOf(record);
    EXPECT_EQ(chunk->fSize, 4);
    EXPECT_EQ(chunk->fVersion, -1);
    EXPECT_EQ(chunk->fChunkID, kStateChunk);
    EXPECT_STREQ(chunk->fName, "Complete Controls State");
    EXPECT_EQ(std::vector<uint8_t>(record.begin() + kChunkHeaderSize, record.end()), std::vector<uint8_t>(4, 1));
}

TEST_F(EffectParameters, StateChunkIsWrittenOnlyAtTheSizeLastAnswered) {
    initialize();
    std::vector<uint8_t> record(256, 0xEE);
    EXPECT_EQ(host->GetChunk(kStateChunk, chunkOf(record)), kResultChunkSizeMismatch);
    EXPECT_EQ(record, std::vector<uint8_t>(256, 0xEE));

    uint32_t size = 0;
    ASSERT_EQ(host->GetChunkSize(kStateChunk, &size), kResultSuccess);
    record.assign(kChunkHeaderSize + size, 0xEE);
    EXPECT_EQ(host->GetChunk(kStateChunk, chunkOf(record)), kResultSuccess);
    EXPECT_EQ(host->GetChunk(kStateChunk, chunkOf(record)), kResultSuccess);
    EXPECT_EQ(chunkOf(record)->fSize, static_cast<int32_t>(size));

    // A parameter added since the size was answered would not fit the host's record.
    effect->addFloat("Late", "Late", 0.0f);
    EXPECT_EQ(host->GetChunk(kStateChunk, chunkOf(record)), kResultChunkSizeMismatch);

    EXPECT_EQ(host->GetChunkSize(0x61626364u, &size), kResultChunkIdUnknown);
    EXPECT_EQ(size, 0u);
    uint32_t chunkId = 7;
    EXPECT_EQ(host->GetChunkIDFromIndex(1, &chunkId), kResultChunkIndexOutOfRange);
    EXPECT_EQ(chunkId, 0u);
    EXPECT_EQ(host->GetChunkIDFromIndex(0, &chunkId), kResultSuccess);
    EXPECT_EQ(chunkId, kStateChunk);
}

TEST_F(EffectParameters, StateChunkRestoresAndComparesValues) {
    initialize();
    ASSERT_EQ(host->SetParameterNormalizedValue("Gain", 0.25), kResultSuccess);
    ASSERT_EQ(host->SetParameterNormalizedValue("", 1.0), kResultSuccess);
    std::vector<uint8_t> record = saveState();
    // The bypass is filtered: neither saved, nor compared, nor restored.
    ASSERT_EQ(host->SetParameterNormalizedValue("", 0.0), kResultSuccess);

    uint8_t equal = 9;
    EXPECT_EQ(host->CompareChunk(chunkOf(record), &equal), kResultSuccess);
    EXPECT_EQ(equal, 1);
    ASSERT_EQ(host->SetParameterNormalizedValue("Gain", 0.5), kResultSuccess);
    EXPECT_EQ(host->CompareChunk(chunkOf(record), &equal), kResultSuccess);
    EXPECT_EQ(equal, 0);

    EXPECT_EQ(host->SetChunk(kStateChunk, chunkOf(record)), kResultSuccess);
    EXPECT_DOUBLE_EQ(normalized("Gain"), 0.25);
    EXPECT_DOUBLE_EQ(normalized(""), 0.0);
    EXPECT_EQ(host->CompareChunk(chunkOf(record), &equal), kResultSuccess);
    EXPECT_EQ(equal, 1);

    chunkOf(record)->fChunkID = 0x61626364u;
    ASSERT_EQ(host->SetParameterNormalizedValue("Gain", 0.5), kResultSuccess);
    EXPECT_EQ(host->CompareChunk(chunkOf(record), &equal), kResultSuccess);
    EXPECT_EQ(equal, 1);
    EXPECT_EQ(host->SetChunk(0x61626364u, chunkOf(record)), kResultChunkIdUnknown);
    EXPECT_DOUBLE_EQ(normalized("Gain"), 0.5);
}

TEST_F(EffectParameters, StateChunkWithoutAnEntryLeavesThatParameter) {
    initialize();
    ASSERT_EQ(host->SetParameterNormalizedValue("Mix", 0.5), kResultSuccess);
    AAX_CChunkDataParser parser;
    parser.AddFloat("Gain", 0.75);
    std::vector<uint8_t> record(kChunkHeaderSize + static_cast<size_t>(parser.GetChunkDataSize()), 0);
    chunkOf(record)->fChunkID = kStateChunk;
    ASSERT_EQ(parser.WriteChunk(chunkOf(record)), kResultSuccess);

    EXPECT_EQ(host->SetChunk(kStateChunk, chunkOf(record)), kResultSuccess);
    EXPECT_DOUBLE_EQ(normalized("Gain"), 0.75);
    EXPECT_DOUBLE_EQ(normalized("Mix"), 0.5);
    uint8_t equal = 9;
    EXPECT_EQ(host->CompareChunk(chunkOf(record), &equal), kResultSuccess);
    EXPECT_EQ(equal, 0);
}

TEST_F(EffectParameters, StateChunkWithNegativeSizeIsRefused) {
    initialize();
    std::vector<uint8_t> record = saveState();
    ASSERT_EQ(host->SetParameterNormalizedValue("Gain", 0.125), kResultSuccess);
    chunkOf(record)->fSize = -8;
    EXPECT_EQ(host->SetChunk(kStateChunk, chunkOf(record)), kResultChunkSizeMismatch);
    EXPECT_DOUBLE_EQ(normalized("Gain"), 0.125);
    uint8_t equal = 9;
    EXPECT_EQ(host->CompareChunk(chunkOf(record), &equal), kResultChunkSizeMismatch);
    EXPECT_EQ(equal, 0);
}

}  // namespace
