// Plug-ins declaring from one to eight channels a side, through the module: every declared
// entry is there, the host's own channels come first, the rest is silence, and the host hears
// what hosting the plug-in directly with the same layout gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "simhost/direct_vst_host.h"
#include "vst/channel_arrays.h"
#include "wrapper_fixture.h"

using recording::CallKind;
using recording::RecordedCall;
using simhost::SimEffectInstance;
using testing_support::WrapperTest;

namespace {

constexpr int32_t kFrames = 96;

class WrapperChannels : public WrapperTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(hooks.ready()) << "the recording plug-in is not built";
        install(testing_support::recordingLibrary());
    }
    void configure(int32_t inputs, int32_t outputs) {
        recording::RecordingConfig config;
        config.numInputs = inputs;
        config.numOutputs = outputs;
        config.scribbleInputs = 1;
        hooks.configure(config);
    }
};

float sample(int channel, int block, int32_t i) {
    return 0.5f * std::sin(0.07f * static_cast<float>(block * kFrames + i) + static_cast<float>(channel));
}

TEST_F(WrapperChannels, EveryDeclaredLayoutGetsItsEntriesAndSoundsAsHostedDirectly) {
    for (int32_t format : {simhost::kStemMono, simhost::kStemStereo}) {
        for (int32_t inputs : {1, 2, 4, 6, 8}) {
            for (int32_t outputs : {1, 2, 4, 6, 8}) {
                SCOPED_TRACE(::testing::Message() << (format == simhost::kStemMono ? "mono" : "stereo") << ", "
                                                  << inputs << " inputs, " << outputs << " outputs");
                configure(inputs, outputs);
                simhost::InstanceOptions options;
                options.stemFormat = format;
                options.maxFrames = kFrames;
                SimEffectInstance& instance = make(options);
                simhost::DirectVstHost direct;
                ASSERT_TRUE(direct.load(testing_support::recordingLibrary().string())) << direct.error();
                direct.start(options.sampleRate);
                const int32_t channels = instance.channels();

                std::vector<float> in[2], viaModule[2], viaDirect[2];
                for (int c = 0; c < 2; ++c) {
                    in[c].resize(kFrames);
                    viaModule[c].assign(kFrames, 0.0f);
                    viaDirect[c].assign(kFrames, 0.0f);
                }
                // Two blocks: the plug-in scribbles over its inputs in the first.
                for (int block = 0; block < 2; ++block) {
                    for (int c = 0; c < 2; ++c)
                        for (int32_t i = 0; i < kFrames; ++i) in[c][static_cast<size_t>(i)] = sample(c, block, i);
                    const float* hostIn[2] = {in[0].data(), in[1].data()};
                    float* hostOut[2] = {viaModule[0].data(), viaModule[1].data()};
                    ASSERT_TRUE(instance.render(hostIn, hostOut, kFrames));
                    // Input c goes to output c: the host hears its own input (before the direct
                    // host's plug-in scribbles over these buffers).
                    for (int c = 0; c < channels; ++c) EXPECT_EQ(viaModule[c], in[c]) << "channel " << c;
                    direct.process(in[0].data(), channels > 1 ? in[1].data() : nullptr, viaDirect[0].data(),
                                   channels > 1 ? viaDirect[1].data() : nullptr, kFrames);
                    for (int c = 0; c < channels; ++c)
                        EXPECT_EQ(viaModule[c], viaDirect[c]) << "block " << block << " channel " << c;
                }

                const std::vector<RecordedCall> calls = logOf(instance).calls(CallKind::ProcessReplacing);
                ASSERT_EQ(calls.size(), 2u);
                for (const RecordedCall& call : calls) {
                    EXPECT_EQ(call.frames, kFrames);
                    EXPECT_EQ(call.inputEntries, std::max(inputs, 2));
                    EXPECT_EQ(call.outputEntries, std::max(outputs, 2));
                    EXPECT_EQ(call.inputAt[0], instance.context().input(0));
                    EXPECT_EQ(call.outputAt[0], instance.context().output(0));
                    // The mono component's second entries stay null, as the module always gave them.
                    EXPECT_EQ(call.inputAt[1], channels > 1 ? instance.context().input(1) : nullptr);
                    EXPECT_EQ(call.outputAt[1], channels > 1 ? instance.context().output(1) : nullptr);
                    for (int32_t c = 2; c < call.inputEntries; ++c) {
                        EXPECT_NE(call.inputAt[c], nullptr) << "input " << c;
                        EXPECT_EQ(call.inputPeak[c], 0.0f) << "input " << c << " is not silent";
                    }
                    for (int32_t c = 2; c < call.outputEntries; ++c) EXPECT_NE(call.outputAt[c], nullptr);
                }
                releaseInstances();
            }
        }
    }
}

TEST_F(WrapperChannels, BlocksLongerThanPreparedReachAPlugInWithExtraEntriesInPieces) {
    constexpr int32_t kLong = 10000;
    for (int32_t outputs : {2, 4}) {
        SCOPED_TRACE(::testing::Message() << outputs << " outputs");
        configure(2, outputs);
        simhost::InstanceOptions options;
        options.maxFrames = kLong;
        SimEffectInstance& instance = make(options);
        std::vector<float> in[2], out[2];
        for (int c = 0; c < 2; ++c) {
            in[c].resize(kLong);
            out[c].assign(kLong, 0.0f);
            for (int32_t i = 0; i < kLong; ++i) in[c][static_cast<size_t>(i)] = sample(c, 0, i);
        }
        const float* hostIn[2] = {in[0].data(), in[1].data()};
        float* hostOut[2] = {out[0].data(), out[1].data()};
        ASSERT_TRUE(instance.render(hostIn, hostOut, kLong));
        EXPECT_EQ(out[0], in[0]);
        EXPECT_EQ(out[1], in[1]);

        const std::vector<RecordedCall> calls = logOf(instance).calls(CallKind::ProcessReplacing);
        if (outputs == 2) {
            // Nothing changes for a plug-in without extra entries: one call, as long as the block.
            ASSERT_EQ(calls.size(), 1u);
            EXPECT_EQ(calls[0].frames, kLong);
        } else {
            ASSERT_EQ(calls.size(), 2u);
            EXPECT_EQ(calls[0].frames + calls[1].frames, kLong);
            EXPECT_EQ(calls[1].inputAt[0], instance.context().input(0) + calls[0].frames);
            EXPECT_EQ(calls[1].outputAt[1], instance.context().output(1) + calls[0].frames);
        }
        releaseInstances();
    }
}

// A long block split for a plug-in with extra entries: each piece gets the MIDI stamped within
// it, timed from the piece's start, before its audio, and hears the transport where it starts.
TEST_F(WrapperChannels, EachPieceOfALongBlockGetsItsOwnMidiAndPosition) {
    constexpr int32_t kLong = 10000;
    recording::RecordingConfig config;
    config.numInputs = 2;
    config.numOutputs = 4;
    config.askTimeInProcess = 1;
    hooks.configure(config);
    simhost::InstanceOptions options;
    options.maxFrames = kLong;
    SimEffectInstance& instance = make(options);
    simhost::TransportSettings transport;
    transport.playing = true;
    transport.location = 48000;
    transport.tempo = 120.0;
    instance.setTransport(transport);
    std::vector<float> in(kLong, 0.0f), out0(kLong), out1(kLong);
    const float* hostIn[2] = {in.data(), in.data()};
    float* hostOut[2] = {out0.data(), out1.data()};
    ASSERT_TRUE(instance.render(hostIn, hostOut, kLong, {{100, 0x90, 60, 100}, {9000, 0x80, 60, 0}}));

    // In order: events then audio of the first piece, events then audio of the second.
    std::vector<std::pair<int32_t, int32_t>> seen;  // (delta frames of a note, or -1 for audio; frames)
    std::vector<double> positions;
    for (const RecordedCall& call : logOf(instance)) {
        if (call.kind == CallKind::Dispatch && call.opcode == effProcessEvents && call.numEvents > 0)
            seen.emplace_back(call.events[0].deltaFrames, 0);
        if (call.kind == CallKind::ProcessReplacing) {
            seen.emplace_back(-1, call.frames);
            if (call.gotTime) positions.push_back(call.time.samplePos);
        }
    }
    const std::vector<std::pair<int32_t, int32_t>> expected = {
        {100, 0}, {-1, ChannelArrays::kPreparedFrames}, {9000 - ChannelArrays::kPreparedFrames, 0},
        {-1, kLong - ChannelArrays::kPreparedFrames}};
    EXPECT_EQ(seen, expected);
    ASSERT_EQ(positions.size(), 2u);
    EXPECT_EQ(positions[0], 48000.0);
    EXPECT_EQ(positions[1], 48000.0 + ChannelArrays::kPreparedFrames);
}

// A plug-in that declares more outputs after it was prepared (here through a restored chunk) is
// not called with short arrays, and the host's outputs are silenced meanwhile, never left holding
// an older block; the restore prepares the arrays again.
TEST_F(WrapperChannels, ADeclarationThatGrowsSilencesTheHostUntilItIsPreparedAgain) {
    configure(2, 2);
    SimEffectInstance& instance = make();
    std::vector<float> in(kFrames, 0.5f), out0(kFrames, 9.0f), out1(kFrames, 9.0f);
    const float* hostIn[2] = {in.data(), in.data()};
    float* hostOut[2] = {out0.data(), out1.data()};

    effectOf(instance)->numOutputs = 6;  // the live plug-in changes its mind
    ASSERT_TRUE(instance.render(hostIn, hostOut, kFrames));
    EXPECT_EQ(logOf(instance).calls(CallKind::ProcessReplacing).size(), 0u);
    EXPECT_EQ(out0, std::vector<float>(kFrames, 0.0f)) << "the host would play an older block";
    EXPECT_EQ(out1, std::vector<float>(kFrames, 0.0f));

    std::vector<uint8_t> state;
    ASSERT_EQ(instance.saveChunk(state), 0);
    ASSERT_EQ(instance.loadChunk(state), 0);
    ASSERT_TRUE(instance.render(hostIn, hostOut, kFrames));
    const std::vector<RecordedCall> calls = logOf(instance).calls(CallKind::ProcessReplacing);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].outputEntries, 6);
}

}  // namespace
