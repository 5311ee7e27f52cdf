// The channel arrays' limits: long blocks in pieces only for plug-ins with extra entries, no call
// for a declaration beyond what was prepared, and buffers kept across a second preparation.
// Every layout through the whole module is in the wrapper's channel tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "vst/channel_arrays.h"

namespace {

// A plug-in that reads every sample of every input it declares, writes every sample of every
// output it declares (input c to output c).
struct ChannelProbe {
    struct Call {
        std::vector<float*> inputs, outputs;
        std::vector<float> inputPeaks;
        int32_t frames = 0;
    };

    ChannelProbe(int32_t numInputs, int32_t numOutputs) {
        effect.magic = kEffectMagic;
        effect.numInputs = numInputs;
        effect.numOutputs = numOutputs;
        effect.object = this;
        effect.processReplacing = [](AEffect* e, float** in, float** out, int32_t frames) {
            static_cast<ChannelProbe*>(e->object)->process(in, out, frames);
        };
    }

    void process(float** in, float** out, int32_t frames) {
        Call call;
        call.frames = frames;
        const auto length = static_cast<size_t>(std::max(frames, 0));
        for (int32_t c = 0; c < std::max(effect.numInputs, 2); ++c) {
            call.inputs.push_back(in[c]);
            float peak = 0.0f;
            for (size_t i = 0; in[c] && i < length; ++i) peak = std::max(peak, std::fabs(in[c][i]));
            call.inputPeaks.push_back(peak);
        }
        for (int32_t c = 0; c < std::max(effect.numOutputs, 2); ++c) {
            call.outputs.push_back(out[c]);
            const float* source = c < static_cast<int32_t>(call.inputs.size()) ? in[c] : nullptr;
            for (size_t i = 0; out[c] && i < length; ++i) out[c][i] = source ? source[i] : 0.0f;
        }
        calls.push_back(call);
    }

    AEffect effect{};
    std::vector<Call> calls;
    std::function<bool()> prepareInside;  // run by a replaced processReplacing, see below
    bool* preparedInside = nullptr;
};

struct HostBuffers {
    explicit HostBuffers(size_t frames) : in0(frames), in1(frames), out0(frames), out1(frames) {
        for (size_t i = 0; i < frames; ++i) {
            in0[i] = 0.25f + static_cast<float>(i) / 1024.0f;
            in1[i] = -0.25f - static_cast<float>(i) / 2048.0f;
        }
    }
    std::vector<float> in0, in1, out0, out1;
};

TEST(ChannelArrays, LongBlocksReachAPlugInWithExtraEntriesInPreparedPieces) {
    for (bool mono : {false, true}) {
        SCOPED_TRACE(mono ? "null second channel" : "two channels");
        ChannelProbe plugin(4, 4);
        ChannelArrays arrays(64);
        ASSERT_TRUE(arrays.prepare(4, 4));
        HostBuffers host(150);
        float* in1 = mono ? nullptr : host.in1.data();
        float* out1 = mono ? nullptr : host.out1.data();
        arrays.process(plugin.effect, host.in0.data(), in1, host.out0.data(), out1, 150);

        ASSERT_EQ(plugin.calls.size(), 3u);
        const int32_t starts[] = {0, 64, 128};
        const int32_t lengths[] = {64, 64, 22};
        for (size_t piece = 0; piece < 3; ++piece) {
            const ChannelProbe::Call& call = plugin.calls[piece];
            EXPECT_EQ(call.frames, lengths[piece]);
            EXPECT_EQ(call.inputs[0], host.in0.data() + starts[piece]);
            EXPECT_EQ(call.outputs[0], host.out0.data() + starts[piece]);
            EXPECT_EQ(call.inputs[1], mono ? nullptr : host.in1.data() + starts[piece]);
            EXPECT_EQ(call.outputs[1], mono ? nullptr : host.out1.data() + starts[piece]);
            EXPECT_EQ(call.inputPeaks[2] + call.inputPeaks[3], 0.0f);
        }
        EXPECT_EQ(host.out0, host.in0) << "every frame of the block went through";
    }
}

TEST(ChannelArrays, PlugInsOfUpToTwoChannelsGetOneCallOfAnyLength) {
    for (int32_t channels : {0, 1, 2}) {
        ChannelProbe plugin(channels, channels);
        ChannelArrays arrays(64);
        ASSERT_TRUE(arrays.prepare(channels, channels));
        HostBuffers host(5000);
        for (int32_t frames : {5000, 0, -3}) {
            plugin.calls.clear();
            arrays.process(plugin.effect, host.in0.data(), nullptr, host.out0.data(), nullptr, frames);
            ASSERT_EQ(plugin.calls.size(), 1u);
            EXPECT_EQ(plugin.calls[0].frames, frames);
            EXPECT_EQ(plugin.calls[0].inputs[0], host.in0.data());
            EXPECT_EQ(plugin.calls[0].outputs[1], nullptr);
        }
    }
}

TEST(ChannelArrays, APlugInDeclaringMoreThanWasPreparedIsNotCalled) {
    HostBuffers host(32);
    ChannelProbe grown(2, 2);
    ChannelArrays arrays(32);
    ASSERT_TRUE(arrays.prepare(2, 2));
    grown.effect.numOutputs = 6;  // changed its mind after the arrays were made
    arrays.process(grown.effect, host.in0.data(), host.in1.data(), host.out0.data(), host.out1.data(), 32);
    EXPECT_TRUE(grown.calls.empty());

    ChannelProbe huge(ChannelArrays::kMaxChannels + 1, 2);
    EXPECT_FALSE(arrays.prepare(ChannelArrays::kMaxChannels + 1, 2));
    arrays.process(huge.effect, host.in0.data(), host.in1.data(), host.out0.data(), host.out1.data(), 32);
    EXPECT_TRUE(huge.calls.empty());
    // A refused preparation also stops a plug-in that would otherwise fit.
    ChannelProbe small(2, 2);
    arrays.process(small.effect, host.in0.data(), host.in1.data(), host.out0.data(), host.out1.data(), 32);
    EXPECT_TRUE(small.calls.empty());

    ChannelProbe odd(-4, -1);
    ASSERT_TRUE(arrays.prepare(-4, -1));
    arrays.process(odd.effect, host.in0.data(), host.in1.data(), host.out0.data(), host.out1.data(), 32);
    EXPECT_EQ(odd.calls.size(), 1u);
    EXPECT_EQ(arrays.inputEntries(), 2);
}

TEST(ChannelArrays, PreparingTheSameCountsAgainKeepsEveryBuffer) {
    ChannelProbe plugin(4, 4);
    ChannelArrays arrays(32);
    ASSERT_TRUE(arrays.prepare(4, 4));
    HostBuffers host(32);
    arrays.process(plugin.effect, host.in0.data(), host.in1.data(), host.out0.data(), host.out1.data(), 32);
    ASSERT_TRUE(arrays.prepare(4, 4));
    arrays.process(plugin.effect, host.in0.data(), host.in1.data(), host.out0.data(), host.out1.data(), 32);
    ASSERT_EQ(plugin.calls.size(), 2u);
    EXPECT_EQ(plugin.calls[0].inputs, plugin.calls[1].inputs);
    EXPECT_EQ(plugin.calls[0].outputs, plugin.calls[1].outputs);
}

// A host that initialises again while it renders: the arrays the render call handed over stay
// valid until it returns, even when the plug-in now declares more entries; the next call gets
// the new arrays, and the replaced ones are freed once no call holds them.
TEST(ChannelArrays, PreparingAgainDuringARenderCallFreesNothingThatCallHolds) {
    HostBuffers host(32);
    ChannelArrays arrays(32);
    ChannelProbe plugin(2, 4);
    ASSERT_TRUE(arrays.prepare(2, 4));
    bool preparedInside = false;
    plugin.effect.processReplacing = [](AEffect* e, float** in, float** out, int32_t frames) {
        auto& self = *static_cast<ChannelProbe*>(e->object);
        if (self.calls.empty() && self.prepareInside) {
            // The host's other thread re-prepares now, for a plug-in that grew to six outputs.
            *self.preparedInside = self.prepareInside();
            self.effect.numOutputs = 6;
        }
        // Still the four entries this call was given: written through, as a plug-in would.
        for (int32_t c = 0; c < 4; ++c)
            for (int32_t i = 0; i < frames; ++i) out[c][i] = in[0] ? 0.0f : 1.0f;
        self.calls.push_back({});
    };
    plugin.preparedInside = &preparedInside;
    plugin.prepareInside = [&] { return arrays.prepare(2, 6); };
    arrays.process(plugin.effect, host.in0.data(), host.in1.data(), host.out0.data(), host.out1.data(), 32);
    EXPECT_TRUE(preparedInside);
    EXPECT_EQ(arrays.outputEntries(), 6);
    plugin.prepareInside = nullptr;
    arrays.process(plugin.effect, host.in0.data(), host.in1.data(), host.out0.data(), host.out1.data(), 32);
    EXPECT_EQ(plugin.calls.size(), 2u);
}

// A plug-in that declares more than was prepared is not called, and the host's outputs are
// silenced rather than left holding the previous block; preparing for it again calls it.
TEST(ChannelArrays, AnOutgrownDeclarationSilencesTheHostsOutputsUntilRefreshed) {
    HostBuffers host(32);
    ChannelProbe plugin(2, 2);
    ChannelArrays arrays(32);
    ASSERT_TRUE(arrays.prepare(2, 2));
    plugin.effect.numOutputs = 6;
    host.out0.assign(32, 7.0f);
    host.out1.assign(32, 7.0f);
    arrays.process(plugin.effect, host.in0.data(), host.in1.data(), host.out0.data(), host.out1.data(), 32);
    EXPECT_TRUE(plugin.calls.empty());
    EXPECT_EQ(host.out0, std::vector<float>(32, 0.0f));
    EXPECT_EQ(host.out1, std::vector<float>(32, 0.0f));
    EXPECT_TRUE(arrays.outgrown());
    ASSERT_TRUE(arrays.refresh(plugin.effect));
    EXPECT_FALSE(arrays.outgrown());
    arrays.process(plugin.effect, host.in0.data(), host.in1.data(), host.out0.data(), host.out1.data(), 32);
    ASSERT_EQ(plugin.calls.size(), 1u);
    EXPECT_EQ(plugin.calls[0].outputs.size(), 6u);
}

}  // namespace
