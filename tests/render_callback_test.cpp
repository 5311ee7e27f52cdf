// The render callback against an in-process plug-in and simulated render contexts.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "fake_effect.h"
#include "render/render_callback.h"
#include "simhost/render_context_builder.h"
#include "simhost/render_driver.h"
#include "vst/vst_callback.h"
#include "vst/vst_interface.h"

using simhost::RenderContextBuilder;
using simhost::SimTransport;
using testing_support::FakeCall;
using testing_support::FakeEffect;

namespace {

AAXWrapper_Parameters* const kSomeOwner = reinterpret_cast<AAXWrapper_Parameters*>(0x1000);

// One effect instance wired as the effect initialisation leaves it: plug-in, VST objects, posted context.
struct Instance {
    explicit Instance(int32_t stemFormat, int32_t frames = 64) : context(stemFormat, frames), state(kSomeOwner) {
        vst.effect = &plugin.effect;
        vst.callback = &state;
        plugin.effect.user = &state;
        const int32_t channels = stemFormat & 0xFFF;
        const VstInterface* address = &vst;
        const int32_t loaded = 1;
        context.postPacket(1, &channels, 4);
        context.postPacket(3, &channels, 4);
        context.postPacket(7, &address, 8);
        context.postPacket(8, &loaded, 4);
    }
    ~Instance() { vst.effect = nullptr; }  // the fake is not closed by the test

    FakeEffect plugin;
    RenderContextBuilder context;
    VstCallBack state;
    VstInterface vst;
};

// The plug-in asks for the time inside processReplacing, as hosts of tempo-synced plug-ins see.
struct TimeProbe {
    void attach(FakeEffect& plugin) {
        plugin.onProcess = [this](FakeEffect& self) {
            seen.push_back(*reinterpret_cast<const VstTimeInfo*>(self.callHost(audioMasterGetTime)));
        };
    }
    std::vector<VstTimeInfo> seen;
};

simhost::RenderDriver driver(&RenderCallback);

TEST(RenderCallback, HandsTheHostBuffersToProcessReplacing) {
    Instance stereo(simhost::kStemStereo, 128);
    Instance mono(simhost::kStemMono, 128);
    stereo.context.setFrames(96);
    ASSERT_TRUE(driver.render({&stereo.context, &mono.context}));
    ASSERT_EQ(stereo.plugin.calls.size(), 1u);
    const FakeCall& s = stereo.plugin.calls[0];
    EXPECT_EQ(s.kind, FakeCall::Process);
    EXPECT_EQ(s.inputs[0], stereo.context.input(0));
    EXPECT_EQ(s.inputs[1], stereo.context.input(1));
    EXPECT_EQ(s.outputs[0], stereo.context.output(0));
    EXPECT_EQ(s.outputs[1], stereo.context.output(1));
    EXPECT_EQ(s.frames, 96);

    ASSERT_EQ(mono.plugin.calls.size(), 1u);
    const FakeCall& m = mono.plugin.calls[0];
    EXPECT_EQ(m.inputs[0], mono.context.input(0));
    EXPECT_EQ(m.inputs[1], nullptr);
    EXPECT_EQ(m.outputs[0], mono.context.output(0));
    EXPECT_EQ(m.outputs[1], nullptr);
    EXPECT_EQ(m.frames, 128);
}

TEST(RenderCallback, SkipsNullEntriesAndInstancesNotLoadedExactly) {
    Instance zero(simhost::kStemStereo);
    Instance two(simhost::kStemStereo);
    Instance loaded(simhost::kStemStereo);
    RenderContextBuilder unposted(simhost::kStemStereo, 64);
    const int32_t flagZero = 0;
    const int32_t flagTwo = 2;
    zero.context.postPacket(8, &flagZero, 4);
    two.context.postPacket(8, &flagTwo, 4);
    zero.context.output(0)[5] = 42.0f;
    zero.context.midiInput().addPacket(0, 0x90, 60, 100);

    driver.render({nullptr, &unposted, &zero.context, &two.context, nullptr, &loaded.context});
    EXPECT_TRUE(zero.plugin.calls.empty());
    EXPECT_TRUE(two.plugin.calls.empty());
    EXPECT_EQ(zero.context.transport().queryCount(), 0);
    EXPECT_EQ(two.context.transport().queryCount(), 0);
    EXPECT_EQ(unposted.transport().queryCount(), 0);
    EXPECT_EQ(zero.context.output(0)[5], 42.0f);
    EXPECT_EQ(loaded.plugin.processCount(), 1u);
}

TEST(RenderCallback, SendsEachMidiPacketAloneAndBeforeTheAudio) {
    Instance instance(simhost::kStemStereo);
    instance.context.midiInput().addPacket(3, 0x90, 60, 100);
    instance.context.midiInput().addPacket(17, 0x80, 60, 0);
    instance.context.midiInput().addPacket(40, 0xB1, 7, 127);
    driver.render({&instance.context});

    const std::vector<FakeCall>& calls = instance.plugin.calls;
    ASSERT_EQ(calls.size(), 4u);
    const uint8_t expected[3][4] = {{3, 0x90, 60, 100}, {17, 0x80, 60, 0}, {40, 0xB1, 7, 127}};
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(calls[i].opcode, effProcessEvents);
        EXPECT_EQ(calls[i].index, 0);
        EXPECT_EQ(calls[i].value, 0);
        EXPECT_EQ(calls[i].opt, 0.0f);
        EXPECT_EQ(calls[i].numEvents, 1);
        EXPECT_EQ(calls[i].eventAddress, static_cast<const void*>(&instance.vst.events[0]));
        EXPECT_EQ(calls[i].event.type, kVstMidiType);
        EXPECT_EQ(calls[i].event.byteSize, 24);
        EXPECT_EQ(calls[i].event.deltaFrames, expected[i][0]);
        for (int b = 0; b < 3; ++b) EXPECT_EQ(static_cast<uint8_t>(calls[i].event.midiData[b]), expected[i][b + 1]);
        EXPECT_EQ(calls[i].event.midiData[3], 0);
    }
    EXPECT_EQ(calls[3].kind, FakeCall::Process);

    instance.plugin.calls.clear();
    instance.context.setMidiInputAttached(false);
    driver.render({&instance.context});
    ASSERT_EQ(instance.plugin.calls.size(), 1u);
    EXPECT_EQ(instance.plugin.calls[0].kind, FakeCall::Process);
}

TEST(RenderCallback, TransportStartLatchesTheOriginAndPositionFollowsIt) {
    Instance instance(simhost::kStemStereo);
    SimTransport& transport = instance.context.transport();
    transport.setSampleRate(48000.0);
    transport.setTempo(120.0);  // one quarter note = 24000 samples
    transport.setMeter(3, 4);
    transport.setPlaying(true);
    const int64_t start = 24000 * 7 + 6000;  // beat 8 and a quarter: bar 3, beat 2, 240000 ticks
    transport.setLocation(start);
    int32_t bars = 0, beats = 0;
    int64_t ticks = 0;
    ASSERT_TRUE(transport.barBeatAt(start, &bars, &beats, &ticks));
    ASSERT_EQ(bars, 3);
    ASSERT_EQ(beats, 2);
    ASSERT_EQ(ticks, 240000);
    TimeProbe probe;
    probe.attach(instance.plugin);

    driver.render({&instance.context});
    EXPECT_EQ(instance.state.ppqOrigin.load(), (3 + 1) * 4 + 1.0);
    EXPECT_EQ(instance.state.ppqPosition.load(), 2 + 0.25 - 4 - 1.0);
    ASSERT_EQ(probe.seen.size(), 1u);
    const VstTimeInfo& first = probe.seen[0];
    EXPECT_EQ(first.flags, kVstTempoValid | kVstTransportPlaying | kVstTimeSigValid | kVstPpqPosValid);
    EXPECT_EQ(first.tempo, 120.0);
    EXPECT_EQ(first.timeSigNumerator, 3);
    EXPECT_EQ(first.timeSigDenominator, 4);
    EXPECT_EQ(first.ppqPos, -2.75);
    EXPECT_EQ(first.samplePos, static_cast<double>(start));

    // The time request marked the transport as playing: the origin stays, the position moves on.
    transport.setLocation(start + 24000 * 3);  // one 3/4 bar later
    driver.render({&instance.context});
    EXPECT_EQ(instance.state.ppqOrigin.load(), 17.0);
    EXPECT_EQ(probe.seen[1].ppqPos, -2.75 + 4.0);
}

TEST(RenderCallback, KeepsTheLow32BitsOfTheSampleLocationAsSigned) {
    Instance instance(simhost::kStemStereo);
    instance.context.transport().setPlaying(true);
    instance.context.transport().setLocation((int64_t{1} << 31) + 5);
    driver.render({&instance.context});
    EXPECT_EQ(instance.state.samplePosition.load(), INT32_MIN + 5);
    instance.context.transport().setLocation((int64_t{1} << 32) + 7);
    driver.render({&instance.context});
    EXPECT_EQ(instance.state.samplePosition.load(), 7);
}

TEST(RenderCallback, MissingOrFailingTransportLeavesValidityFlagsZero) {
    Instance instance(simhost::kStemStereo);
    SimTransport& transport = instance.context.transport();
    transport.setPlaying(true);
    transport.setTempo(90.0);
    driver.render({&instance.context});
    ASSERT_EQ(instance.state.tempoValid.load() + instance.state.meterValid.load() + instance.state.positionValid.load(),
              3);

    instance.context.setTransportAvailable(false);
    driver.render({&instance.context});
    EXPECT_EQ(instance.state.tempoValid.load(), 0);
    EXPECT_EQ(instance.state.meterValid.load(), 0);
    EXPECT_EQ(instance.state.positionValid.load(), 0);
    EXPECT_EQ(instance.state.tempo.load(), 90.0);  // the last known values stay

    instance.context.setTransportAvailable(true);
    transport.setFailing(SimTransport::Query::Location, true);
    driver.render({&instance.context});
    EXPECT_EQ(instance.state.tempoValid.load() + instance.state.meterValid.load() + instance.state.positionValid.load(),
              0);
    EXPECT_EQ(instance.state.isPlaying(), 1);

    transport.setFailing(SimTransport::Query::Location, false);
    transport.setFailing(SimTransport::Query::Tempo, true);
    driver.render({&instance.context});
    EXPECT_EQ(instance.state.tempoValid.load(), 0);
    EXPECT_EQ(instance.state.meterValid.load(), 1);
    EXPECT_EQ(instance.state.positionValid.load(), 1);
}

TEST(RenderCallback, StoppingTheTransportSendsOneAllNotesOffAtTheNextTimeRequest) {
    Instance instance(simhost::kStemStereo);
    TimeProbe probe;
    probe.attach(instance.plugin);
    instance.context.transport().setPlaying(true);
    driver.render({&instance.context});
    instance.context.transport().setPlaying(false);
    driver.render({&instance.context});
    driver.render({&instance.context});

    std::vector<FakeCall> events = instance.plugin.dispatches(effProcessEvents);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(static_cast<uint8_t>(events[0].event.midiData[0]), 0xB0);
    EXPECT_EQ(events[0].event.midiData[1], 0x7B);
    ASSERT_EQ(probe.seen.size(), 3u);
    EXPECT_EQ(probe.seen[1].flags & (kVstTransportPlaying | kVstPpqPosValid), 0);
    EXPECT_EQ(probe.seen[1].ppqPos, 0.0);
}

}  // namespace
