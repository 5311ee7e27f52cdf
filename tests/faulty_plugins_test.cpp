// The test plug-ins of build/plugins: the recording plug-in's log and configuration, and the
// libraries that fail in one way each, hosted directly.
#include <algorithm>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "install_folder.h"
#include "plugins/faulty/recording_log.h"
#include "simhost/direct_vst_host.h"
#include "simhost/dynamic_library.h"

namespace {

using recording::CallKind;
using recording::RecordingConfig;
using recording::RecordingLog;
using simhost::DirectVstHost;

std::string pluginPath(const char* name) { return testing_support::pluginFile(name).string(); }

template <class Proc>
Proc hook(DirectVstHost& host, const char* name) {
    return reinterpret_cast<Proc>(simhost::librarySymbol(host.library(), name));
}

class RecordingPlugin : public ::testing::Test {
protected:
    // Loads an instance made with `config`, then puts the defaults back for the next test.
    const RecordingLog& load(const RecordingConfig& config = RecordingConfig{}) {
        void* library = simhost::openLibrary(pluginPath("recording"));
        EXPECT_NE(library, nullptr);
        auto configure =
            reinterpret_cast<KorvexRecordingConfigureProc>(simhost::librarySymbol(library, "korvexRecordingConfigure"));
        configure(&config);
        EXPECT_TRUE(host.load(pluginPath("recording"))) << host.error();
        configure(nullptr);
        simhost::closeLibrary(library);  // the host keeps its own reference
        const RecordingLog* log = hook<KorvexRecordingLogProc>(host, "korvexRecordingLog")(host.effect());
        EXPECT_NE(log, nullptr);
        return *log;
    }

    DirectVstHost host;
};

// Direct hosting is the baseline of every channel comparison: it too must hand over each
// declared entry, silence on extra inputs whatever the plug-in wrote there last time.
TEST_F(RecordingPlugin, HostedDirectlyItGetsEveryDeclaredEntryAndSilenceBeyondTheTwoGiven) {
    RecordingConfig config;
    config.numInputs = 4;
    config.numOutputs = 6;
    config.scribbleInputs = 1;
    const RecordingLog& log = load(config);
    host.start(48000.0f);
    float in[2][8], out[2][8];
    for (int call = 0; call < 2; ++call) {
        std::fill(&in[0][0], &in[0][0] + 16, 0.75f);
        host.process(in[0], in[1], out[0], out[1], 8);
    }
    const std::vector<recording::RecordedCall> calls = log.calls(CallKind::ProcessReplacing);
    ASSERT_EQ(calls.size(), 2u);
    for (const recording::RecordedCall& call : calls) {
        EXPECT_EQ(call.inputEntries, 4);
        EXPECT_EQ(call.outputEntries, 6);
        EXPECT_EQ(call.inputAt[1], in[1]);
        EXPECT_EQ(call.outputAt[1], out[1]);
        EXPECT_EQ(call.inputPeak[1], 0.75f);
        EXPECT_EQ(call.inputPeak[2], 0.0f);
        EXPECT_EQ(call.inputPeak[3], 0.0f);
    }
    EXPECT_EQ(out[1][7], 0.75f);
    // Outputs 2 and 3 carried the silent inputs 2 and 3, outputs 4 and 5 had no input to carry.
    for (int32_t extra = 0; extra < 4; ++extra) {
        ASSERT_NE(host.extraOutput(extra), nullptr);
        EXPECT_EQ(host.extraOutput(extra)[7], 0.0f);
    }
    EXPECT_EQ(host.extraOutput(4), nullptr);
}

TEST_F(RecordingPlugin, LogsEveryCallInOrderAndKeepsTheLogAfterClose) {
    const RecordingLog& log = load();
    ASSERT_GE(log.size(), 1u);
    EXPECT_EQ(log[0].kind, CallKind::HostCall);
    EXPECT_EQ(log[0].opcode, audioMasterVersion);
    EXPECT_EQ(log.versionAtCreation, 7);

    host.start(48000.0f);
    host.setParameter(2, 0.75f);
    EXPECT_EQ(host.getParameter(2), 0.75f);
    host.sendMidi(0x90, 61, 99, 17);
    float in0[4] = {1, 2, 3, 4}, out0[4] = {};
    host.process(in0, nullptr, out0, nullptr, 4);
    AEffect* effect = host.effect();
    host.close();

    EXPECT_EQ(log.opcodes(), (std::vector<int32_t>{effSetSampleRate, effOpen, effMainsChanged, effProcessEvents,
                                                   effClose}));
    std::vector<CallKind> kinds;
    for (const auto& c : log) kinds.push_back(c.kind);
    EXPECT_EQ(kinds, (std::vector<CallKind>{CallKind::HostCall, CallKind::Dispatch, CallKind::Dispatch,
                                            CallKind::Dispatch, CallKind::SetParameter, CallKind::GetParameter,
                                            CallKind::Dispatch, CallKind::ProcessReplacing, CallKind::Dispatch}));
    EXPECT_EQ(log.dispatches(effSetSampleRate)[0].opt, 48000.0f);
    EXPECT_EQ(log.dispatches(effMainsChanged)[0].value, 1);
    auto set = log.calls(CallKind::SetParameter);
    EXPECT_EQ(set[0].index, 2);
    EXPECT_EQ(set[0].opt, 0.75f);

    const recording::RecordedCall events = log.dispatches(effProcessEvents)[0];
    EXPECT_EQ(events.numEvents, 1);
    EXPECT_EQ(events.events[0].type, kVstMidiType);
    EXPECT_EQ(events.events[0].byteSize, 24);
    EXPECT_EQ(events.events[0].deltaFrames, 17);
    EXPECT_EQ(static_cast<uint8_t>(events.events[0].midiData[0]), 0x90);
    EXPECT_EQ(events.events[0].midiData[1], 61);

    const recording::RecordedCall process = log.calls(CallKind::ProcessReplacing)[0];
    EXPECT_EQ(process.input[0], in0);
    EXPECT_EQ(process.input[1], nullptr);
    EXPECT_EQ(process.output[0], out0);
    EXPECT_EQ(process.frames, 4);
    EXPECT_EQ(out0[3], 4.0f) << "the recording plug-in passes input through";

    EXPECT_EQ(log.closed, 1);
    EXPECT_EQ(hook<KorvexRecordingLogProc>(host, "korvexRecordingLog")(effect), &log);
}

TEST_F(RecordingPlugin, AnswersAsConfigured) {
    RecordingConfig config;
    config.numParams = 3;
    config.refuseAutomation[1] = 1;
    config.refuseProperties[2] = 1;
    config.isSwitch[0] = 1;
    config.stepInteger[0] = 5;
    config.initialValue[0] = 0.3f;
    std::strcpy(config.ids[0], "a_rather_long_parameter_id_text");
    config.uniqueID = 0x54657374;
    config.chunkSize = 3;
    std::memcpy(config.chunk, "abc", 3);
    const RecordingLog& log = load(config);

    EXPECT_EQ(host.effect()->numParams, 3);
    EXPECT_EQ(host.effect()->uniqueID, 0x54657374);
    EXPECT_EQ(host.getParameter(0), 0.3f);
    EXPECT_EQ(host.dispatch(effCanBeAutomated, 0), 1);
    EXPECT_EQ(host.dispatch(effCanBeAutomated, 1), 0);
    VstParameterProperties p{};
    EXPECT_EQ(host.dispatch(effGetParameterProperties, 0, 0, &p), 1);
    EXPECT_TRUE(p.flags & kVstParameterIsSwitch);
    EXPECT_EQ(p.stepInteger, 5);
    EXPECT_EQ(host.dispatch(effGetParameterProperties, 2, 0, &p), 0);

    char id[40];
    std::memset(id, 'x', sizeof id);
    host.dispatch(kPrivateGetParamID, 0, 0, id);  // no capacity given: 32 bytes
    EXPECT_EQ(std::strlen(id), 31u);
    EXPECT_EQ(id[32], 'x');
    host.dispatch(kPrivateGetParamID, 0, 5, id);
    EXPECT_STREQ(id, "a_ra");
    EXPECT_EQ(log.dispatches(kPrivateGetParamID)[1].text, std::string("a_ra"));
    EXPECT_EQ(host.parameterIndex("a_rather_long_parameter_id_text"), 0);
    EXPECT_EQ(host.parameterIndex("param1"), 1);
    EXPECT_EQ(host.parameterIndex("param9"), -1);
    EXPECT_EQ(log.dispatches(kPrivateGetParamIndex)[1].text, std::string("param1"));

    EXPECT_EQ(host.chunk(), (std::vector<uint8_t>{'a', 'b', 'c'}));
    EXPECT_EQ(host.setChunk({9, 8}), 1);
    EXPECT_EQ(log.lastSetChunkSize, 2);
    EXPECT_EQ(host.chunk(), (std::vector<uint8_t>{9, 8}));
}

TEST_F(RecordingPlugin, AsksForTimeInsideProcessAndReportsQueuedEdits) {
    RecordingConfig config;
    config.askTimeInProcess = 1;
    const RecordingLog& log = load(config);
    host.setTimeInfo(DirectVstHost::transport(true, 97.0, 3, 8, 12.5, 4800.0, 48000.0));
    float out[8] = {};
    host.process(nullptr, nullptr, out, nullptr, 8);
    const recording::RecordedCall process = log.calls(CallKind::ProcessReplacing)[0];
    ASSERT_EQ(process.gotTime, 1);
    EXPECT_EQ(process.time.tempo, 97.0);
    EXPECT_EQ(process.time.timeSigDenominator, 8);
    EXPECT_EQ(process.time.flags, kVstTempoValid | kVstTimeSigValid | kVstTransportPlaying | kVstPpqPosValid);

    hook<KorvexRecordingQueueEditProc>(host, "korvexRecordingQueueEdit")(host.effect(), 1, 0.6f);
    host.clearRequests();
    host.dispatch(effEditIdle);
    ASSERT_EQ(host.requests().size(), 3u);
    EXPECT_EQ(host.requests()[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(host.requests()[1].opcode, audioMasterAutomate);
    EXPECT_EQ(host.requests()[1].opt, 0.6f);
    EXPECT_EQ(host.requests()[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(log.hostCalls(audioMasterAutomate).size(), 1u);
}

TEST_F(RecordingPlugin, CountsCallsBeyondItsCapacity) {
    RecordingConfig config;
    config.capacity = 4;
    const RecordingLog& log = load(config);
    for (int i = 0; i < 10; ++i) host.dispatch(effEditIdle);
    EXPECT_EQ(log.size(), 4u);
    EXPECT_EQ(log.dropped.load(), 7u);  // the version request at creation took the first record
}

TEST(FaultyPlugins, LoadFailuresExplainThemselves) {
    DirectVstHost missing, noMain, nullMain;
    EXPECT_FALSE(missing.load(pluginPath("does_not_exist")));
    EXPECT_NE(missing.error().find("cannot load"), std::string::npos) << missing.error();
    EXPECT_FALSE(noMain.load(pluginPath("nomain")));
    EXPECT_NE(noMain.error().find("\"main\""), std::string::npos) << noMain.error();
    EXPECT_FALSE(nullMain.load(pluginPath("nullmain")));
    EXPECT_NE(nullMain.error().find("returned no plug-in"), std::string::npos) << nullMain.error();
    EXPECT_EQ(nullMain.effect(), nullptr);
}

TEST(FaultyPlugins, BrokenChunksAreAnsweredAsAdvertised) {
    DirectVstHost nullChunk, emptyChunk;
    ASSERT_TRUE(nullChunk.load(pluginPath("nullchunk"))) << nullChunk.error();
    ASSERT_TRUE(emptyChunk.load(pluginPath("emptychunk"))) << emptyChunk.error();
    void* data = &data;
    EXPECT_EQ(nullChunk.dispatch(effGetChunk, 0, 0, &data), 64);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(emptyChunk.dispatch(effGetChunk, 0, 0, &data), 0);
    EXPECT_TRUE(nullChunk.chunk().empty());
    EXPECT_EQ(nullChunk.parameterId(0), "level");
    EXPECT_EQ(nullChunk.parameterIndex("level"), 0);
}

}  // namespace
