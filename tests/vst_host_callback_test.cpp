// The host callback: fixed answers, routed requests, time records and automation routing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "editor/aax_iacf_effect_gui.h"
#include "fake_controller.h"
#include "fake_effect.h"
#include "parameters/aax_iparameter.h"
#include "parameters/parameter_manager.h"
#include "stub_parameter.h"
#include "vst/vst_callback.h"

using testing_support::FakeCall;
using testing_support::FakeController;
using testing_support::FakeEffect;

namespace {

class MockParameter : public testing_support::StubParameter {
public:
    explicit MockParameter(const char* parameterId) : StubParameter(parameterId) {}
    MOCK_METHOD(void, Touch, (), (override));
    MOCK_METHOD(void, Release, (), (override));
    MOCK_METHOD(void, SetNormalizedValue, (double), (override));
};

class FakeEditor final : public AAX_IACFEffectGUI {
public:
    int32_t QueryInterface(const GUID&, void**) override { return -1; }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    int32_t Initialize(IACFUnknown*) override { return 0; }
    int32_t Uninitialize() override { return 0; }
    int32_t Slot5(const void*) override { return 0; }
    int32_t AttachViewContainer(IACFUnknown*) override { return 0; }
    int32_t QueryViewSize(AAX_Point*) override { return 0; }
    int32_t RedrawRect(AAX_Rect*) override { return 0; }
    int32_t TimerTick() override { return 0; }
    int32_t ParameterChanged(const char* id) override { return changed.emplace_back(id), 0; }
    int32_t Slot11(const void*) override { return -20004; }
    int32_t Slot12(const void*) override { return 0; }

    std::vector<std::string> changed;
};

AAXWrapper_Parameters* const kSomeOwner = reinterpret_cast<AAXWrapper_Parameters*>(0x1000);

class HostCallbackFixture : public ::testing::Test {
protected:
    HostCallbackFixture() : plugin(3), state(kSomeOwner) { plugin.effect.user = &state; }
    const VstTimeInfo& time() { return *reinterpret_cast<const VstTimeInfo*>(plugin.callHost(audioMasterGetTime)); }
    void playAt(double ppq, int32_t samples) {
        state.storePlaying(true);
        state.tempoValid = 1;
        state.tempo = 98.0;
        state.meterValid = 1;
        state.meterNumerator = 7;
        state.meterDenominator = 8;
        state.positionValid = 1;
        state.ppqPosition = ppq;
        state.samplePosition = samples;
    }

    FakeEffect plugin;
    VstCallBack state;
};

TEST(HostCallback, AnswersVersionIdAndVendorWithoutAnInstance) {
    EXPECT_EQ(HostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0), 7);
    EXPECT_EQ(HostCallback(nullptr, audioMasterCurrentId, 0, 0, nullptr, 0), 0x41415348);
    char vendor[32];
    std::memset(vendor, 0x55, sizeof vendor);
    EXPECT_EQ(HostCallback(nullptr, audioMasterGetVendorString, 0, 0, vendor, 0), 0);
    EXPECT_STREQ(vendor, "Tolm AAX Wrapper");
    EXPECT_EQ(vendor[17], 0x55);  // exactly 17 bytes
    EXPECT_EQ(HostCallback(nullptr, audioMasterGetVendorString, 0, 0, nullptr, 0), 0);
    EXPECT_EQ(HostCallback(nullptr, audioMasterCanDo, 0, 0, vendor, 0), 0);
}

TEST(HostCallback, RoutedRequestsWithoutAVstCallBackAnswerZeroAndCallNothing) {
    FakeEffect plugin(2);
    for (int32_t opcode : {0, 7, 15, 16, 42, 43, 44}) {
        EXPECT_EQ(plugin.callHost(opcode), 0) << opcode;
        EXPECT_EQ(HostCallback(nullptr, opcode, 0, 0, nullptr, 0), 0) << opcode;
    }
    EXPECT_TRUE(plugin.calls.empty());
}

TEST_F(HostCallbackFixture, FreshInstanceAnswersAZeroRecordAt44100) {
    const VstTimeInfo& info = time();
    EXPECT_EQ(&info, &state.timeInfo);
    EXPECT_EQ(info.flags, 0);
    EXPECT_EQ(info.sampleRate, 44100.0);
    EXPECT_EQ(info.tempo, 0.0);
    EXPECT_TRUE(plugin.calls.empty());

    VstCallBack orphan(nullptr);
    plugin.effect.user = &orphan;
    orphan.storePlaying(true);
    orphan.tempoValid = 1;
    const VstTimeInfo& none = time();
    EXPECT_EQ(none.flags, 0);
    EXPECT_EQ(none.sampleRate, 0.0);
}

TEST_F(HostCallbackFixture, PlayingRecordCarriesTempoMeterAndPosition) {
    std::memset(&state.timeInfo, 0x7F, sizeof state.timeInfo);  // every other field must be cleared
    playAt(12.5, 4096);
    const VstTimeInfo& info = time();
    EXPECT_EQ(info.flags, kVstTempoValid | kVstTransportPlaying | kVstTimeSigValid | kVstPpqPosValid);
    EXPECT_EQ(info.tempo, 98.0);
    EXPECT_EQ(info.timeSigNumerator, 7);
    EXPECT_EQ(info.timeSigDenominator, 8);
    EXPECT_EQ(info.ppqPos, 12.5);
    EXPECT_EQ(info.samplePos, 4096.0);
    EXPECT_EQ(info.barStartPos, 0.0);
    EXPECT_EQ(info.nanoSeconds, 0.0);
    EXPECT_EQ(info.samplesToNextClock, 0);
    EXPECT_EQ(state.wasPlaying(), 1);
}

TEST_F(HostCallbackFixture, StopSendsOneAllNotesOffAndHidesThePosition) {
    playAt(3.0, 100);
    time();
    state.storePlaying(false);  // a render call saw the transport stopped; the position is still valid
    const VstTimeInfo& info = time();
    EXPECT_EQ(info.flags, kVstTempoValid | kVstTimeSigValid);
    EXPECT_EQ(info.ppqPos, 0.0);
    EXPECT_EQ(info.samplePos, 0.0);
    std::vector<FakeCall> events = plugin.dispatches(effProcessEvents);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].numEvents, 1);
    EXPECT_EQ(events[0].event.type, kVstMidiType);
    EXPECT_EQ(events[0].event.byteSize, 24);
    EXPECT_EQ(events[0].event.deltaFrames, 0);
    EXPECT_EQ(static_cast<uint8_t>(events[0].event.midiData[0]), 0xB0);
    EXPECT_EQ(events[0].event.midiData[1], 0x7B);
    EXPECT_EQ(events[0].event.midiData[2], 0x00);

    time();
    EXPECT_EQ(plugin.dispatches(effProcessEvents).size(), 1u);
}

TEST_F(HostCallbackFixture, SampleRateComesFromTheControllerOr44100) {
    FakeController controller;
    plugin.callHost(audioMasterGetSampleRate);
    state.controller.set(&controller);
    plugin.callHost(audioMasterGetSampleRate);
    EXPECT_EQ(time().sampleRate, 48000.0);
    controller.result = -20004;  // a refusing controller leaves the default, not garbage
    plugin.callHost(audioMasterGetSampleRate);
    EXPECT_EQ(time().sampleRate, 44100.0);

    std::vector<FakeCall> calls = plugin.dispatches(effSetSampleRate);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].opt, 44100.0f);
    EXPECT_EQ(calls[1].opt, 48000.0f);
    EXPECT_EQ(calls[2].opt, 44100.0f);
    EXPECT_EQ(calls[1].index, 0);
    EXPECT_EQ(calls[1].ptr, nullptr);
    EXPECT_EQ(plugin.callHost(audioMasterSizeWindow, 400, 300), 0);
}

TEST_F(HostCallbackFixture, AutomationBeginAndEndReachTheParameterFoundById) {
    ParameterManager manager;
    auto* gain = new MockParameter("gain");
    auto* other = new MockParameter("pan");
    ASSERT_TRUE(manager.AddParameter(gain));
    ASSERT_TRUE(manager.AddParameter(other));
    state.parameterManager.set(&manager);
    plugin.ids = {{2, "gain"}, {5, "unknown"}};

    ::testing::InSequence order;
    EXPECT_CALL(*gain, Touch());
    EXPECT_CALL(*gain, SetNormalizedValue(0.25));
    EXPECT_CALL(*gain, Release());
    EXPECT_CALL(*other, SetNormalizedValue(::testing::_)).Times(0);
    EXPECT_EQ(plugin.callHost(audioMasterBeginEdit, 2), 0);
    EXPECT_EQ(plugin.callHost(audioMasterAutomate, 2, 0, nullptr, 0.25f), 0);
    EXPECT_EQ(plugin.callHost(audioMasterEndEdit, 2), 0);
    EXPECT_EQ(plugin.callHost(audioMasterAutomate, 5, 0, nullptr, 0.5f), 0);

    std::vector<FakeCall> queries = plugin.dispatches(kPrivateGetParamID);
    ASSERT_EQ(queries.size(), 4u);
    EXPECT_EQ(queries[1].index, 2);
    EXPECT_EQ(queries[1].value, 0);
    EXPECT_NE(queries[1].ptr, nullptr);
    EXPECT_EQ(queries[1].opt, 0.25f);
}

// Every look-up hands the plug-in a buffer of its own, 256 bytes of zeros: a plug-in that ignores
// the request leaves the empty ID (never the previous one), and one that fills the whole buffer
// gets it cut, not read past.
TEST_F(HostCallbackFixture, EachIdLookUpHasItsOwnZeroFilledBuffer) {
    ParameterManager manager;
    auto* bypass = new MockParameter("");
    auto* gain = new MockParameter("gain");
    ASSERT_TRUE(manager.AddParameter(bypass));
    ASSERT_TRUE(manager.AddParameter(gain));
    state.parameterManager.set(&manager);
    plugin.ids = {{0, "gain"}};
    int32_t dirtyBytes = 0;
    plugin.onDispatch = [&dirtyBytes](FakeEffect&, const FakeCall& call) {
        if (call.opcode != kPrivateGetParamID) return;
        auto* buffer = static_cast<char*>(call.ptr);
        for (size_t i = std::strlen(buffer); i < VstCallBack::kParamIdBufferSize; ++i) dirtyBytes += buffer[i] != '\0';
        if (call.index == 3) std::memset(buffer, 'q', VstCallBack::kParamIdBufferSize);  // ignores every limit
    };
    EXPECT_CALL(*bypass, SetNormalizedValue(::testing::_)).Times(0);
    EXPECT_CALL(*gain, SetNormalizedValue(0.5)).Times(1);
    plugin.callHost(audioMasterAutomate, 0, 0, nullptr, 0.5f);
    plugin.callHost(audioMasterAutomate, 3, 0, nullptr, 0.5f);
    plugin.callHost(audioMasterAutomate, 1, 0, nullptr, 0.75f);  // index 1 writes no ID
    EXPECT_EQ(dirtyBytes, 0);
}

TEST_F(HostCallbackFixture, UpdateDisplayTellsTheEditorEveryParameterId) {
    plugin.ids = {{0, "a"}, {1, "b"}, {2, "c"}};
    EXPECT_EQ(plugin.callHost(audioMasterUpdateDisplay), 0);
    EXPECT_EQ(plugin.dispatches(kPrivateGetParamID).size(), 3u);
    FakeEditor editor;
    state.editor.set(&editor);
    EXPECT_EQ(plugin.callHost(audioMasterUpdateDisplay), 0);
    EXPECT_EQ(editor.changed, (std::vector<std::string>{"a", "b", "c"}));
    plugin.effect.numParams = 0;
    plugin.callHost(audioMasterUpdateDisplay);
    EXPECT_EQ(editor.changed.size(), 3u);
}

}  // namespace
