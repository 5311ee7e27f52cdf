// The validator's probe hosted directly in front of the recording plug-in: every call reaches the
// plug-in unchanged, the probe's log sees what the plug-in received, and nothing reaches a closed
// instance.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "install_folder.h"
#include "plugins/faulty/recording_log.h"
#include "simhost/direct_vst_host.h"
#include "simhost/dynamic_library.h"
#include "tools/korvex-host/validate/probe_api.h"

namespace {

using simhost::DirectVstHost;

// A library of the build by its name, with this system's library suffix.
std::string library(const std::string& name) {
    return (testing_support::buildDir() / (name + simhost::librarySuffix())).string();
}
std::string probeLibrary() { return library("korvex-probe"); }
std::string plugin(const std::string& name) { return testing_support::pluginFile(name).string(); }

template <class Proc>
Proc symbol(void* library, const char* name) {
    return reinterpret_cast<Proc>(simhost::librarySymbol(library, name));
}

// Calls the probe made around forwarded plug-in calls, on this test's thread.
std::vector<std::string> gEntered;
int gDepth = 0;
void enter(const char* call) {
    gEntered.push_back(call);
    ++gDepth;
}
void leave() { --gDepth; }

class Probe : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        probe = simhost::openLibrary(probeLibrary(), &error);
        ASSERT_NE(probe, nullptr) << error;
        recordingLibrary = simhost::openLibrary(plugin("recording"), &error);
        ASSERT_NE(recordingLibrary, nullptr) << error;
        symbol<KorvexProbeSetTargetProc>(probe, "korvexProbeSetTarget")(plugin("recording").c_str());
        static const probe::Hooks hooks{enter, leave};
        symbol<KorvexProbeSetHooksProc>(probe, "korvexProbeSetHooks")(&hooks);
        count = symbol<KorvexProbeInstanceCountProc>(probe, "korvexProbeInstanceCount");
        logOf = symbol<KorvexProbeLogProc>(probe, "korvexProbeLog");
        gEntered.clear();
        gDepth = 0;
    }
    void TearDown() override {
        if (probe) {
            symbol<KorvexProbeSetHooksProc>(probe, "korvexProbeSetHooks")(nullptr);
            symbol<KorvexProbeSetAskTimeProc>(probe, "korvexProbeSetAskTime")(0);
            simhost::closeLibrary(probe);
        }
        if (recordingLibrary) simhost::closeLibrary(recordingLibrary);
    }

    // The recording plug-in's own log of the instance the probe made for `host`.
    const recording::RecordingLog& recorded(DirectVstHost& host) {
        return *symbol<KorvexRecordingLogProc>(recordingLibrary, "korvexRecordingLog")(host.effect());
    }

    void* probe = nullptr;
    void* recordingLibrary = nullptr;
    KorvexProbeInstanceCountProc count = nullptr;
    KorvexProbeLogProc logOf = nullptr;
};

TEST_F(Probe, ForwardsEveryCallUnchangedAndLogsWhatThePlugInReceived) {
    const int32_t before = count();
    DirectVstHost host;
    ASSERT_TRUE(host.load(probeLibrary())) << host.error();
    ASSERT_EQ(count(), before + 1);
    const probe::InstanceLog& log = *logOf(before);
    const recording::RecordingLog& plugin = recorded(host);
    EXPECT_EQ(plugin.versionAtCreation, 7) << "the plug-in's own host requests reach the host";

    host.start(44100.0f);
    host.setBypass(true);
    host.setParameter(1, 0.25f);
    EXPECT_EQ(host.getParameter(1), 0.25f);
    EXPECT_EQ(host.parameterId(2), "param2");
    host.sendMidi(0x90, 60, 100, 3);
    host.sendMidi(0x80, 60, 0, 5);
    float in[2][8] = {{1, 2, 3, 4, 5, 6, 7, 8}, {8, 7, 6, 5, 4, 3, 2, 1}}, out[2][8] = {};
    host.process(in[0], in[1], out[0], out[1], 8);
    host.sendMidi(0xB0, 7, 90, 0);
    host.process(in[0], in[1], out[0], out[1], 8);
    EXPECT_EQ(std::vector<float>(out[1], out[1] + 8), std::vector<float>(in[1], in[1] + 8));

    EXPECT_EQ(plugin.opcodes(), (std::vector<int32_t>{effSetSampleRate, effOpen, effMainsChanged, effSetBypass,
                                                      kPrivateGetParamID, effProcessEvents, effProcessEvents,
                                                      effProcessEvents}));
    EXPECT_EQ(plugin.dispatches(kPrivateGetParamID)[0].value, 32);
    EXPECT_EQ(log.opens.load(), 1);
    EXPECT_EQ(log.mainsOn.load(), 1);
    EXPECT_EQ(log.bypassOn.load(), 1);
    EXPECT_EQ(log.lastSampleRate.load(), 44100.0f);
    EXPECT_EQ(log.blocks.load(), 2);
    ASSERT_EQ(log.eventCount.load(), 3);
    EXPECT_EQ(log.event(0).block, 0);
    EXPECT_EQ(log.event(0).deltaFrames, 3);
    EXPECT_EQ(log.event(1).bytes[0], 0x80);
    EXPECT_EQ(log.event(2).block, 1) << "an event sent after the first audio call belongs to the second";

    // Every forwarded call was bracketed, and named.
    EXPECT_EQ(gDepth, 0);
    EXPECT_NE(std::find(gEntered.begin(), gEntered.end(), std::string("processReplacing")), gEntered.end());
    EXPECT_NE(std::find(gEntered.begin(), gEntered.end(), std::string("effMainsChanged")), gEntered.end());
    EXPECT_NE(std::find(gEntered.begin(), gEntered.end(), std::string("the parameter ID opcode (-14)")), gEntered.end());
}

TEST_F(Probe, RecordsTheHostsTimeAnswersAndAsksForThemWhenTold) {
    const int32_t index = count();
    DirectVstHost host;
    ASSERT_TRUE(host.load(probeLibrary())) << host.error();
    const probe::InstanceLog& log = *logOf(index);
    host.start(48000.0f);
    host.setTimeInfo(DirectVstHost::transport(true, 133.0, 3, 4, 12.5, 4800.0, 48000.0));
    float out[2][16] = {};
    host.process(nullptr, nullptr, out[0], out[1], 16);
    EXPECT_EQ(log.timeCount.load(), 0) << "the recording plug-in does not ask by itself";

    symbol<KorvexProbeSetAskTimeProc>(probe, "korvexProbeSetAskTime")(1);
    host.process(nullptr, nullptr, out[0], out[1], 16);
    ASSERT_EQ(log.timeCount.load(), 1);
    const probe::ReceivedTime& asked = log.timeRecord(0);
    EXPECT_EQ(asked.block, 1);
    EXPECT_TRUE(asked.answered);
    EXPECT_EQ(asked.time.tempo, 133.0);
    EXPECT_EQ(asked.time.ppqPos, 12.5);
    EXPECT_EQ(asked.time.timeSigNumerator, 3);

    // A request the plug-in makes itself passes through the probe and is logged the same way.
    auto callHost = symbol<KorvexRecordingCallHostProc>(recordingLibrary, "korvexRecordingCallHost");
    host.setTimeInfo(DirectVstHost::transport(false, 90.0, 4, 4, 0.0, 0.0, 48000.0));
    const auto* answer = reinterpret_cast<const VstTimeInfo*>(callHost(host.effect(), audioMasterGetTime, 0, 0, nullptr, 0.0f));
    ASSERT_NE(answer, nullptr);
    ASSERT_EQ(log.timeCount.load(), 2);
    EXPECT_EQ(log.timeRecord(1).time.tempo, 90.0);
    EXPECT_EQ(log.timeRecord(1).time.flags, answer->flags);
}

TEST_F(Probe, KeepsInstancesApartAndRefusesCallsAfterClose) {
    const int32_t first = count();
    DirectVstHost a, b;
    ASSERT_TRUE(a.load(probeLibrary()));
    ASSERT_TRUE(b.load(probeLibrary()));
    ASSERT_EQ(count(), first + 2);
    auto instance = symbol<KorvexProbeInstanceProc>(probe, "korvexProbeInstance");
    EXPECT_EQ(instance(first), a.effect());
    EXPECT_EQ(instance(first + 1), b.effect());
    a.start(48000.0f);
    b.start(48000.0f);
    a.setBypass(true);
    EXPECT_EQ(logOf(first)->bypassOn.load(), 1);
    EXPECT_EQ(logOf(first + 1)->bypassOn.load(), 0);

    AEffect* closed = a.effect();
    const recording::RecordingLog& plugin = recorded(a);
    a.close();
    EXPECT_EQ(logOf(first)->closes.load(), 1);
    EXPECT_EQ(instance(first), nullptr);
    const uint32_t calls = plugin.size();
    // A host that calls a closed instance: the probe counts it and keeps it from the plug-in.
    closed->dispatcher(closed, effEditIdle, 0, 0, nullptr, 0.0f);
    float out[8] = {};
    float* outputs[2] = {out, out};
    closed->processReplacing(closed, outputs, outputs, 8);
    EXPECT_EQ(logOf(first)->callsAfterClose.load(), 2);
    EXPECT_EQ(logOf(first)->lastOpcodeAfterClose.load(), 0);
    EXPECT_EQ(plugin.size(), calls);
    EXPECT_EQ(logOf(first + 1)->callsAfterClose.load(), 0);
}

TEST_F(Probe, SaysWhyItMadeNoInstance) {
    auto setTarget = symbol<KorvexProbeSetTargetProc>(probe, "korvexProbeSetTarget");
    auto error = symbol<KorvexProbeErrorProc>(probe, "korvexProbeError");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {plugin("nomain"), "the plug-in exports no main entry"},
        {plugin("nullmain"), "the plug-in's main entry made no plug-in"},
        {library("no-such-library"), "cannot load the plug-in: "},
    };
    for (const auto& [target, reason] : cases) {
        setTarget(target.c_str());
        DirectVstHost host;
        EXPECT_FALSE(host.load(probeLibrary()));
        EXPECT_EQ(std::string(error()).rfind(reason, 0), 0u) << error();
    }
}

}  // namespace
