// The wrapper's parameters end to end: what the host sees of the plug-in's parameters, what the
// plug-in hears of the host's values, and its automation coming back through the host.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "acf/result_codes.h"
#include "wrapper_fixture.h"

using recording::CallKind;
using recording::RecordingConfig;
using simhost::SimEffectInstance;
using testing_support::WrapperTest;

namespace {

class WrapperParameters : public WrapperTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(hooks.ready()) << "the recording plug-in is not built";
        // VST 0: continuous at 0.3; 1: refused by effCanBeAutomated; 2: switch with two steps;
        // 3: switch with five; 4: no properties; 5: answers VST 0's ID again.
        config.numParams = 6;
        config.initialValue[0] = 0.3f;
        config.refuseAutomation[1] = 1;
        config.isSwitch[2] = 1;
        config.stepInteger[2] = 2;
        config.initialValue[2] = 1.0f;
        config.isSwitch[3] = 1;
        config.stepInteger[3] = 5;
        config.refuseProperties[4] = 1;
        std::strcpy(config.ids[5], "param0");
        hooks.configure(config);
        install(testing_support::recordingLibrary());
    }

    RecordingConfig config;
};

TEST_F(WrapperParameters, HostSeesBypassFirstThenEachAutomatableParameterOnce) {
    SimEffectInstance& instance = make();
    ASSERT_EQ(instance.initializeResult(), 0);
    const std::vector<simhost::ParameterInfo> list = instance.parameterList();
    ASSERT_EQ(list.size(), 5u);

    EXPECT_EQ(instance.masterBypassId(), "");
    EXPECT_EQ(list[0].id, "");
    EXPECT_EQ(list[0].name, "Master Bypass");
    EXPECT_EQ(list[0].steps, 2);
    EXPECT_EQ(list[0].type, 0);
    EXPECT_EQ(list[0].text, "bypass");
    EXPECT_TRUE(list[0].automatable);

    EXPECT_EQ(list[1].id, "param0");
    EXPECT_EQ(list[1].name, "Param 0");
    EXPECT_EQ(list[1].steps, 65);
    EXPECT_NE(list[1].type, 0);
    EXPECT_FLOAT_EQ(static_cast<float>(list[1].value), 0.3f);
    EXPECT_FLOAT_EQ(static_cast<float>(list[1].defaultValue), 0.3f);
    EXPECT_EQ(list[1].text, "0.30");

    EXPECT_EQ(list[2].id, "param2");
    EXPECT_EQ(list[2].steps, 2);
    EXPECT_EQ(list[2].type, 0);
    EXPECT_EQ(list[2].text, "on");
    EXPECT_EQ(list[2].value, 1.0);

    EXPECT_EQ(list[3].id, "param3");
    EXPECT_EQ(list[3].steps, 5);
    EXPECT_NE(list[3].type, 0);

    // Without properties the plug-in's own ID and effGetParamName's text still name it.
    EXPECT_EQ(list[4].id, "param4");
    EXPECT_EQ(list[4].name, "Param 4");
    EXPECT_EQ(list[4].steps, 65);
}

TEST_F(WrapperParameters, PlugInIsSetUpInOrderBeforeItIsOpened) {
    simhost::InstanceOptions options;
    options.sampleRate = 44100.5f;
    SimEffectInstance& instance = make(options);
    const recording::RecordingLog& log = logOf(instance);

    const std::vector<int32_t> opcodes = log.opcodes();
    ASSERT_FALSE(opcodes.empty());
    EXPECT_EQ(opcodes.front(), effSetSampleRate);
    EXPECT_EQ(log.dispatches(effSetSampleRate).front().opt, 44100.0f);
    const auto open = std::find(opcodes.begin(), opcodes.end(), effOpen);
    ASSERT_NE(open, opcodes.end());
    ASSERT_NE(open + 1, opcodes.end());
    EXPECT_EQ(*(open + 1), effMainsChanged);
    EXPECT_EQ(log.dispatches(effMainsChanged).front().value, 1);
    // Every query comes before effOpen; the refused index is asked nothing more.
    EXPECT_EQ(std::count(open, opcodes.end(), kPrivateGetParamID), 0);
    for (const recording::RecordedCall& call : log.dispatches(kPrivateGetParamID)) {
        EXPECT_NE(call.index, 1);
        EXPECT_EQ(call.value, 32);
    }
    EXPECT_TRUE(log.dispatches(effSetBlockSize).empty());
}

TEST_F(WrapperParameters, ControllerWithoutSampleRateLeavesTheCustomaryRate) {
    simhost::InstanceOptions options;
    options.initialize = false;
    SimEffectInstance& instance = make(options);
    instance.controller().recorder.setResult(4, kResultNotImplemented);
    ASSERT_EQ(instance.initialize(), 0);
    EXPECT_EQ(logOf(instance).dispatches(effSetSampleRate).front().opt, 44100.0f);
}

TEST_F(WrapperParameters, HostValuesReachThePlugInAtOnce) {
    SimEffectInstance& instance = make();
    const recording::RecordingLog& log = logOf(instance);
    const_cast<recording::RecordingLog&>(log).clear();

    EXPECT_EQ(instance.setParameter("param3", 0.25), 0);
    std::vector<recording::RecordedCall> sets = log.calls(CallKind::SetParameter);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].index, 3);
    EXPECT_EQ(sets[0].opt, 0.25f);
    EXPECT_STREQ(log.dispatches(kPrivateGetParamIndex).back().text, "param3");
    EXPECT_DOUBLE_EQ(instance.findParameter("param3")->value, 0.25);

    EXPECT_EQ(instance.setParameter("", 0.7), 0);
    EXPECT_EQ(instance.setParameter("", 0.0), 0);
    const std::vector<recording::RecordedCall> bypass = log.dispatches(effSetBypass);
    ASSERT_EQ(bypass.size(), 2u);
    EXPECT_EQ(bypass[0].value, 1);
    EXPECT_EQ(bypass[1].value, 0);

    // The refused parameter and the duplicate never became AAX parameters.
    EXPECT_EQ(instance.setParameter("param1", 0.5), kResultNoParameter);
    EXPECT_EQ(instance.setParameter("param5", 0.5), kResultNoParameter);
    EXPECT_EQ(log.calls(CallKind::SetParameter).size(), 1u);

    int32_t changes = -1;
    instance.effectParameters()->GetNumberOfChanges(&changes);
    EXPECT_EQ(changes, 0);
}

TEST_F(WrapperParameters, HostSideOperationsAloneDoNotReachThePlugIn) {
    SimEffectInstance& instance = make();
    const recording::RecordingLog& log = logOf(instance);
    const_cast<recording::RecordingLog&>(log).clear();
    AAX_IACFEffectParameters* parameters = instance.effectParameters();
    parameters->TouchParameter("param0");
    parameters->SetParameterDefaultNormalizedValue("param0", 0.9);
    EXPECT_EQ(instance.requestParameter("param0", 0.6), 0);
    parameters->ReleaseParameter("param0");
    EXPECT_TRUE(log.calls(CallKind::SetParameter).empty());

    // The host answers its queued request at the next pump, and only then the plug-in hears it.
    EXPECT_EQ(instance.pump(), 1u);
    const std::vector<recording::RecordedCall> sets = log.calls(CallKind::SetParameter);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].opt, 0.6f);
}

TEST_F(WrapperParameters, PlugInAutomationRoundTripsThroughTheHost) {
    SimEffectInstance& instance = make();
    AEffect* effect = effectOf(instance);
    const recording::RecordingLog& log = logOf(instance);
    const_cast<recording::RecordingLog&>(log).clear();
    instance.automation().recorder.clear();

    hooks.callHost(effect, audioMasterBeginEdit, 0);
    hooks.callHost(effect, audioMasterAutomate, 0, 0, 0.75f);
    hooks.callHost(effect, audioMasterEndEdit, 0);

    using simhost::call;
    const std::vector<simhost::RecordedCall> expected = {
        call(7, "param0"), call(7, "param0"), call(5, "param0", 0.75), call(8, "param0"), call(8, "param0")};
    EXPECT_EQ(instance.automation().recorder.calls(), expected);
    // Only a request so far: neither the AAX value nor the plug-in has moved.
    EXPECT_FLOAT_EQ(static_cast<float>(instance.findParameter("param0")->value), 0.3f);
    EXPECT_TRUE(log.calls(CallKind::SetParameter).empty());
    EXPECT_EQ(instance.pendingRequests(), 1u);

    std::vector<float> out(64);
    float* outputs[2] = {out.data(), out.data()};
    ASSERT_TRUE(instance.render(nullptr, outputs, 32));
    EXPECT_DOUBLE_EQ(instance.findParameter("param0")->value, 0.75);
    const std::vector<recording::RecordedCall> sets = log.calls(CallKind::SetParameter);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].index, 0);
    EXPECT_EQ(sets[0].opt, 0.75f);
}

TEST_F(WrapperParameters, AutomationOfAParameterTheHostNeverSawChangesNothing) {
    SimEffectInstance& instance = make();
    instance.automation().recorder.clear();
    hooks.callHost(effectOf(instance), audioMasterAutomate, 1, 0, 0.5f);
    EXPECT_EQ(instance.automation().recorder.count(), 0u);
    EXPECT_EQ(instance.pendingRequests(), 0u);
}

TEST_F(WrapperParameters, PlugInFindsNoControllerAfterUninitialize) {
    simhost::InstanceOptions options;
    options.sampleRate = 96000.0f;
    SimEffectInstance& instance = make(options);
    AEffect* effect = effectOf(instance);
    const recording::RecordingLog& log = logOf(instance);
    ASSERT_EQ(instance.effectParameters()->Uninitialize(), 0);

    hooks.callHost(effect, audioMasterGetSampleRate, 0);
    EXPECT_EQ(log.dispatches(effSetSampleRate).back().opt, 44100.0f);
    // A second Initialize brings the controller back.
    ASSERT_EQ(instance.initialize(), 0);
    hooks.callHost(effect, audioMasterGetSampleRate, 0);
    EXPECT_EQ(log.dispatches(effSetSampleRate).back().opt, 96000.0f);
}

TEST_F(WrapperParameters, ReleasingTheInstanceClosesThePlugInLast) {
    SimEffectInstance& instance = make();
    const recording::RecordingLog& log = logOf(instance);
    releaseInstances();
    ASSERT_EQ(log.closed, 1);
    EXPECT_EQ(log.opcodes().back(), effClose);
    EXPECT_EQ(log.dispatches(effClose).size(), 1u);
    EXPECT_EQ(host->canUnloadNow(), 0);
}

}  // namespace
