// The reference plug-in (build/VST64/KORVEX.dll) hosted directly: rendering, MIDI, state,
// parameter IDs, mono buses, bypass and the editor's automation gesture.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "plugins/reference/reference_control.h"
#include "simhost/direct_vst_host.h"
#include "simhost/dynamic_library.h"

namespace {

using simhost::DirectVstHost;

constexpr float kRate = 48000.0f;
constexpr int32_t kBlock = 256;

const std::string kPluginPath = std::string(KORVEX_BUILD_DIR) + "/VST64/KORVEX.dll";

struct Stereo {
    std::vector<float> left, right;
};

// A fixed, non-trivial input so runs can be compared sample for sample.
float testInput(size_t frame, int channel) {
    return 0.25f * std::sin(0.01f * static_cast<float>(frame) * (channel ? 1.5f : 1.0f));
}

// Renders `frames` in blocks, input channels filled with testInput (or silence).
Stereo render(DirectVstHost& host, size_t frames, bool withInput = true, bool mono = false) {
    Stereo out{std::vector<float>(frames), std::vector<float>(frames)};
    std::vector<float> inL(kBlock), inR(kBlock);
    for (size_t at = 0; at < frames; at += kBlock) {
        int32_t n = static_cast<int32_t>(std::min<size_t>(kBlock, frames - at));
        for (int32_t i = 0; i < n; ++i) {
            inL[i] = withInput ? testInput(at + i, 0) : 0.0f;
            inR[i] = withInput ? testInput(at + i, 1) : 0.0f;
        }
        host.process(inL.data(), mono ? nullptr : inR.data(), &out.left[at], mono ? nullptr : &out.right[at], n);
    }
    return out;
}

float rms(const std::vector<float>& v, size_t from, size_t to) {
    double sum = 0.0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(v[i]) * v[i];
    return to > from ? static_cast<float>(std::sqrt(sum / static_cast<double>(to - from))) : 0.0f;
}

class ReferencePlugin : public ::testing::Test {
protected:
    void SetUp() override { startHost(host); }

    static void startHost(DirectVstHost& h) {
        ASSERT_TRUE(h.load(kPluginPath)) << h.error();
        h.start(kRate);
    }

    void set(const char* id, float value) { ASSERT_TRUE(host.setParameterById(id, value)) << id; }

    // Synth only, no echoes: what is heard is exactly what the notes produce.
    void dryInstrument() {
        set("input_level", 0.0f);
        set("delay_mix", 0.0f);
    }

    DirectVstHost host;
};

TEST_F(ReferencePlugin, RendersIdenticallyTwice) {
    DirectVstHost second;
    startHost(second);
    std::vector<Stereo> runs;
    for (DirectVstHost* h : {&host, &second}) {
        h->setTimeInfo(DirectVstHost::transport(true, 133.0, 4, 4, 0.0, 0.0, kRate));
        h->sendMidi(0x90, 60, 100, 10);
        h->sendMidi(0x90, 67, 90, 200);
        runs.push_back(render(*h, 8192));
    }
    EXPECT_EQ(runs[0].left, runs[1].left);
    EXPECT_EQ(runs[0].right, runs[1].right);
    EXPECT_GT(rms(runs[0].left, 0, 8192), 0.01f);
}

TEST_F(ReferencePlugin, NoteSoundsFromItsFrameAndAllNotesOffSilencesIt) {
    dryInstrument();
    Stereo quiet = render(host, 1024);
    EXPECT_EQ(rms(quiet.left, 0, 1024), 0.0f);

    host.sendMidi(0x90, 60, 100, 100);
    Stereo playing = render(host, kBlock * 16);
    EXPECT_EQ(rms(playing.left, 0, 100), 0.0f) << "sound before the note's frame";
    EXPECT_NE(playing.left[101], 0.0f);
    EXPECT_GT(rms(playing.left, kBlock * 8, kBlock * 16), 0.01f);
    EXPECT_GT(rms(playing.right, kBlock * 8, kBlock * 16), 0.01f);

    host.sendMidi(0xB0, 123, 0);
    Stereo released = render(host, static_cast<size_t>(kRate));  // default release is well under a second
    EXPECT_LT(rms(released.left, released.left.size() - kBlock, released.left.size()), 1.0e-6f);
}

TEST_F(ReferencePlugin, NoteOffReleasesOnlyItsOwnNote) {
    dryInstrument();
    host.sendMidi(0x90, 60, 100);
    host.sendMidi(0x90, 64, 100);
    render(host, kBlock * 8);
    host.sendMidi(0x80, 60, 0);
    Stereo one = render(host, static_cast<size_t>(kRate));
    EXPECT_GT(rms(one.left, one.left.size() - kBlock, one.left.size()), 0.01f) << "note 64 must still sound";
    host.sendMidi(0x90, 64, 0);  // note on with velocity 0 is a note off
    Stereo none = render(host, static_cast<size_t>(kRate));
    EXPECT_LT(rms(none.left, none.left.size() - kBlock, none.left.size()), 1.0e-6f);
}

TEST_F(ReferencePlugin, DelayFollowsTheHostTempoAndFallsBackTo120) {
    dryInstrument();
    set("delay_mix", 1.0f);  // wet only: the impulse comes back after exactly one delay time
    set("delay_feedback", 0.0f);
    set("delay_sync", 0.75f);  // 1/4: one beat
    set("cutoff", 1.0f);
    set("input_level", 1.0f);
    auto echoAt = [&](const VstTimeInfo& time) {
        host.setMains(true);  // clears the delay line
        host.setTimeInfo(time);
        std::vector<float> in(kBlock), outL(kBlock), outR(kBlock), zero(kBlock);
        in[0] = 1.0f;
        for (size_t at = 0; at < 40000; at += kBlock) {
            host.process(at == 0 ? in.data() : zero.data(), zero.data(), outL.data(), outR.data(), kBlock);
            for (int32_t i = 0; i < kBlock; ++i)
                if (std::fabs(outL[i]) > 0.05f) return static_cast<int64_t>(at + i);
        }
        return int64_t{-1};
    };
    int64_t at90 = echoAt(DirectVstHost::transport(true, 90.0, 4, 4, 0.0, 0.0, kRate));
    EXPECT_GE(at90, 32000);
    EXPECT_LE(at90, 32004);
    VstTimeInfo noTempo{};
    noTempo.tempo = 90.0;  // present but not flagged valid: must be ignored
    int64_t at120 = echoAt(noTempo);
    EXPECT_GE(at120, 24000);
    EXPECT_LE(at120, 24004);
    int timeRequests = 0;
    for (const simhost::HostRequest& r : host.requests()) timeRequests += r.opcode == audioMasterGetTime;
    EXPECT_GT(timeRequests, 0);
}

TEST_F(ReferencePlugin, ChunkRoundTripRestoresEveryParameter) {
    int32_t n = host.effect()->numParams;
    for (int32_t i = 0; i < n; ++i) host.setParameter(i, static_cast<float>(i + 1) / static_cast<float>(n + 2));
    std::vector<uint8_t> saved = host.chunk();
    ASSERT_EQ(saved.size(), 12u + 4u * static_cast<size_t>(n));
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), "KVXS");

    for (int32_t i = 0; i < n; ++i) host.setParameter(i, 0.0f);
    EXPECT_EQ(host.setChunk(saved), 1);
    for (int32_t i = 0; i < n; ++i)
        EXPECT_FLOAT_EQ(host.getParameter(i), static_cast<float>(i + 1) / static_cast<float>(n + 2)) << i;
    EXPECT_EQ(host.chunk(), saved);
}

TEST_F(ReferencePlugin, ChunkRefusesBadDataAndChangesNothing) {
    std::vector<uint8_t> good = host.chunk();
    host.setParameter(0, 1.0f);
    host.setParameter(5, 0.125f);
    std::vector<uint8_t> before = host.chunk();

    std::vector<std::vector<uint8_t>> bad;
    bad.push_back({});
    bad.push_back(std::vector<uint8_t>(good.begin(), good.end() - 1));  // short
    bad.push_back(good);
    bad.back().push_back(0);  // long
    bad.push_back(good);
    bad.back()[0] = 'X';  // magic
    bad.push_back(good);
    bad.back()[4] = 2;  // version
    bad.push_back(good);
    bad.back()[8] = 99;  // count
    bad.push_back(good);
    std::memset(&bad.back()[12], 0xFF, 4);  // NaN value
    bad.push_back(good);
    float tooBig = 1.5f;
    std::memcpy(&bad.back()[16], &tooBig, 4);
    for (size_t i = 0; i < bad.size(); ++i) {
        EXPECT_EQ(host.setChunk(bad[i]), 0) << "bad chunk " << i;
        EXPECT_EQ(host.chunk(), before) << "bad chunk " << i;
    }
    EXPECT_EQ(host.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(good.size()), nullptr), 0);
}

TEST_F(ReferencePlugin, IdTextsAndIndicesAgreeAndHonourCapacity) {
    std::set<std::string> seen;
    for (int32_t i = 0; i < host.effect()->numParams; ++i) {
        std::string id = host.parameterId(i);
        EXPECT_FALSE(id.empty()) << i;
        EXPECT_TRUE(seen.insert(id).second) << "duplicate ID " << id;
        EXPECT_EQ(host.parameterIndex(id), i) << id;
    }
    EXPECT_EQ(host.parameterIndex("no_such_parameter"), -1);
    EXPECT_EQ(host.dispatch(kPrivateGetParamIndex, 0, 0, nullptr), -1);

    char small[8];
    std::memset(small, 'x', sizeof small);
    host.dispatch(kPrivateGetParamID, 0, 4, small);  // "osc_wave" cut to 3 characters
    EXPECT_STREQ(small, "osc");
    EXPECT_EQ(small[4], 'x') << "wrote past the given capacity";
    char customary[40];
    std::memset(customary, 'x', sizeof customary);
    host.dispatch(kPrivateGetParamID, 0, 0, customary);
    EXPECT_STREQ(customary, "osc_wave");
}

TEST_F(ReferencePlugin, ParameterKindsCoverWhatHostsMustHandle) {
    int switches2 = 0, switches5 = 0, notAutomatable = 0, noProperties = 0;
    for (int32_t i = 0; i < host.effect()->numParams; ++i) {
        notAutomatable += host.dispatch(effCanBeAutomated, i) == 0;
        VstParameterProperties p{};
        if (host.dispatch(effGetParameterProperties, i, 0, &p) == 0) {
            ++noProperties;
            char name[64] = {};
            host.dispatch(effGetParamName, i, 0, name);
            EXPECT_STREQ(name, "Detune");
            continue;
        }
        EXPECT_NE(p.label[0], '\0');
        if (p.flags & kVstParameterIsSwitch) {
            switches2 += p.stepInteger == 2;
            switches5 += p.stepInteger == 5;
        }
    }
    EXPECT_EQ(switches2, 1);
    EXPECT_EQ(switches5, 1);
    EXPECT_EQ(notAutomatable, 1);
    EXPECT_EQ(noProperties, 1);
    EXPECT_EQ(host.effect()->uniqueID, 0x4B725678);
}

TEST_F(ReferencePlugin, MonoBusRendersChannelZeroLikeStereo) {
    DirectVstHost mono;
    startHost(mono);
    for (DirectVstHost* h : {&host, &mono}) h->sendMidi(0x90, 57, 110);
    Stereo stereo = render(host, 4096);
    Stereo single = render(mono, 4096, true, true);
    EXPECT_EQ(single.left, stereo.left);
    EXPECT_EQ(rms(single.right, 0, 4096), 0.0f);
}

TEST_F(ReferencePlugin, BypassPassesInputThrough) {
    host.sendMidi(0x90, 60, 100);
    host.setBypass(true);
    Stereo out = render(host, 2048);
    for (size_t i = 0; i < 2048; ++i) {
        ASSERT_EQ(out.left[i], testInput(i, 0)) << i;
        ASSERT_EQ(out.right[i], testInput(i, 1)) << i;
    }
    host.setBypass(false);
    Stereo processed = render(host, 2048);
    EXPECT_NE(processed.left, out.left);
}

TEST_F(ReferencePlugin, QueuedEditReportsBeginAutomateEndAtIdle) {
    auto request = reinterpret_cast<KorvexReferenceRequestEditProc>(
        simhost::librarySymbol(host.library(), "korvexReferenceRequestEdit"));
    ASSERT_NE(request, nullptr);
    ERect* rect = nullptr;
    EXPECT_EQ(host.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->bottom - rect->top, 300);
    EXPECT_EQ(rect->right - rect->left, 500);

    int32_t cutoff = host.parameterIndex("cutoff");
    request(host.effect(), cutoff, 0.25f);
    host.clearRequests();
    host.dispatch(effEditIdle);
    const auto& r = host.requests();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(r[1].opcode, audioMasterAutomate);
    EXPECT_EQ(r[1].opt, 0.25f);
    EXPECT_EQ(r[2].opcode, audioMasterEndEdit);
    for (const auto& each : r) EXPECT_EQ(each.index, cutoff);
    EXPECT_EQ(host.getParameter(cutoff), 0.25f);

    host.dispatch(effEditIdle);
    EXPECT_EQ(host.requests().size(), 3u) << "an edit is performed once";
}

TEST_F(ReferencePlugin, SurvivesHostileCalls) {
    for (int32_t opcode = -20; opcode < 80; ++opcode) {
        if (opcode == effClose) continue;
        host.dispatch(opcode, -1, 0, nullptr, 0.0f);
        host.dispatch(opcode, 1000, 1 << 20, nullptr, -1.0f);
    }
    host.setParameter(-1, 0.5f);
    host.setParameter(1000, 0.5f);
    host.setParameter(1, std::nanf(""));
    EXPECT_EQ(host.getParameter(1000), 0.0f);
    EXPECT_FALSE(std::isnan(host.getParameter(1)));
    host.dispatch(effSetSampleRate, 0, 0, nullptr, std::nanf(""));

    VstMidiEvent wild{};
    wild.type = kVstMidiType;
    wild.deltaFrames = -50;
    wild.midiData[0] = static_cast<char>(0x90);
    wild.midiData[1] = static_cast<char>(0xFF);
    wild.midiData[2] = 127;
    VstEvents events{};
    events.numEvents = 2;  // second slot left null
    events.events[0] = reinterpret_cast<VstEvent*>(&wild);
    for (int i = 0; i < 600; ++i) host.dispatch(effProcessEvents, 0, 0, &events);  // overflows the queue

    std::vector<float> in(kBlock, std::numeric_limits<float>::infinity()), out(kBlock);
    host.process(in.data(), nullptr, out.data(), nullptr, kBlock);
    host.process(nullptr, nullptr, out.data(), nullptr, kBlock);
    host.process(in.data(), in.data(), nullptr, nullptr, kBlock);
    host.process(in.data(), nullptr, out.data(), nullptr, 0);
    float* outputs[2] = {out.data(), nullptr};
    host.effect()->processReplacing(host.effect(), nullptr, outputs, kBlock);
    for (float v : out) EXPECT_TRUE(std::isfinite(v));
}

}  // namespace
