// The render context an instance primes, the bypass packet, an instance without a plug-in, and
// audio through the module matching the reference plug-in hosted directly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "acf/result_codes.h"
#include "simhost/direct_vst_host.h"
#include "vst/vst_callback.h"
#include "wrapper_fixture.h"

using simhost::SimEffectInstance;
using testing_support::WrapperTest;

namespace {

int32_t asInt(const std::vector<uint8_t>& packet) {
    int32_t value = -1;
    if (packet.size() == sizeof value) std::memcpy(&value, packet.data(), sizeof value);
    return value;
}

std::vector<uint32_t> postedFields(SimEffectInstance& instance) {
    std::vector<uint32_t> fields;
    for (const simhost::RecordedCall& call : instance.controller().recorder.calls())
        if (call.entry == 12) fields.push_back(static_cast<uint32_t>(std::stoul(call.arguments[0])));
    return fields;
}

class WrapperContext : public WrapperTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(hooks.ready()) << "the recording plug-in is not built";
        hooks.configure(recording::RecordingConfig{});
    }
};

TEST_F(WrapperContext, InitializePrimesChannelsInstanceAndLoadedFlag) {
    install(testing_support::recordingLibrary());
    for (int32_t format : {simhost::kStemMono, simhost::kStemStereo}) {
        SCOPED_TRACE(format);
        simhost::InstanceOptions options;
        options.stemFormat = format;
        SimEffectInstance& instance = make(options);
        const std::vector<uint32_t> primed = {1, 3, 7, 8};
        EXPECT_EQ(postedFields(instance), primed);
        EXPECT_EQ(asInt(instance.controller().packet(1)), format & 0xFFF);
        EXPECT_EQ(asInt(instance.controller().packet(3)), format & 0xFFF);
        EXPECT_EQ(asInt(instance.controller().packet(8)), 1);
        ASSERT_EQ(instance.controller().packet(7).size(), 8u);
        VstInterface* posted = testing_support::postedVstInterface(instance);
        ASSERT_NE(posted, nullptr);
        EXPECT_NE(hooks.log(posted->effect), nullptr) << "field 7 leads to the plug-in instance";
    }
}

TEST_F(WrapperContext, BypassPacketReachesFieldSixAtTheFirstDispatch) {
    install(testing_support::recordingLibrary());
    SimEffectInstance& instance = make();
    EXPECT_EQ(instance.controller().packetCount(6), 0u);
    std::vector<float> out(16);
    float* outputs[2] = {out.data(), out.data()};
    ASSERT_TRUE(instance.render(nullptr, outputs, 8));
    EXPECT_EQ(instance.dispatchResult(), 0);
    EXPECT_EQ(instance.controller().packetCount(6), 1u);
    EXPECT_EQ(asInt(instance.controller().packet(6)), 0);
    ASSERT_NE(instance.context().context()->bypass, nullptr);
    EXPECT_EQ(*instance.context().context()->bypass, 0);
}

TEST_F(WrapperContext, RenderHandsTheHostBuffersToThePlugIn) {
    install(testing_support::recordingLibrary());
    simhost::InstanceOptions options;
    options.stemFormat = simhost::kStemMono;
    SimEffectInstance& instance = make(options);
    std::vector<float> in(32), out(32);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<float>(i) * 0.125f;
    const float* inputs[1] = {in.data()};
    float* outputs[1] = {out.data()};
    ASSERT_TRUE(instance.render(inputs, outputs, 32, {{3, 0x90, 60, 100}, {9, 0x80, 60, 0}}));
    EXPECT_EQ(out, in);

    const recording::RecordingLog& log = logOf(instance);
    const std::vector<recording::RecordedCall> process = log.calls(recording::CallKind::ProcessReplacing);
    ASSERT_EQ(process.size(), 1u);
    EXPECT_EQ(process[0].frames, 32);
    EXPECT_EQ(process[0].input[0], instance.context().input(0));
    EXPECT_EQ(process[0].input[1], nullptr);
    EXPECT_EQ(process[0].output[1], nullptr);
    const std::vector<recording::RecordedCall> events = log.dispatches(effProcessEvents);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].events[0].deltaFrames, 3);
    EXPECT_EQ(static_cast<uint8_t>(events[1].events[0].midiData[0]), 0x80);
}

TEST_F(WrapperContext, InstanceWithoutPlugInIsAnEmptyEffect) {
    installNothing();
    SimEffectInstance& instance = make();
    ASSERT_EQ(instance.initializeResult(), 0);
    EXPECT_EQ(instance.parameterCount(), 0);
    const std::vector<uint32_t> onlyLoadedFlag = {8};
    EXPECT_EQ(postedFields(instance), onlyLoadedFlag);
    EXPECT_EQ(asInt(instance.controller().packet(8)), 0);

    AAX_IACFEffectParameters* parameters = instance.effectParameters();
    uint32_t id = 7;
    EXPECT_EQ(parameters->GetChunkIDFromIndex(0, &id), 0);
    EXPECT_EQ(id, 0u);
    uint32_t size = 99;
    EXPECT_EQ(parameters->GetChunkSize(0, &size), kResultChunkIdUnknown);
    EXPECT_EQ(size, 99u);
    std::vector<uint8_t> saved;
    EXPECT_EQ(instance.saveChunk(saved), kResultChunkIdUnknown);
    EXPECT_EQ(instance.loadChunk({1, 2, 3}), kResultChunkIdUnknown);
    EXPECT_EQ(instance.setParameter("", 1.0), kResultNoParameter);

    // The render callback leaves the host's buffers as they were.
    std::fill(instance.context().output(0), instance.context().output(0) + 16, 0.5f);
    std::fill(instance.context().output(1), instance.context().output(1) + 16, 0.75f);
    std::vector<float> in(16, 0.25f), left(16), right(16);
    const float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {left.data(), right.data()};
    ASSERT_TRUE(instance.render(inputs, outputs, 16));
    EXPECT_EQ(left, std::vector<float>(16, 0.5f));
    EXPECT_EQ(right, std::vector<float>(16, 0.75f));
}

// Installs gone wrong, as the registry and the install folder can be on a real machine: each gives
// the empty effect above (field 8 is 0, no parameters), never a crash.
TEST_F(WrapperContext, BrokenInstallsGiveAnEmptyEffect) {
    using simhost::RegistryType;
    using simhost::RegistryView;
    using simhost::VstInstall;
    const auto withValue = [](const std::string& bytes, RegistryType type) {
        VstInstall made = VstInstall::emptyFolder();
        made.registry().write(RegistryView::Wow64_64, bytes, type);
        return made;
    };
    const auto withFile = [](const std::string& contents) {
        VstInstall made = VstInstall::emptyFolder();
        std::ofstream(made.libraryPath(), std::ios::binary) << contents;
        return made;
    };
    const std::string nul(1, '\0');
    struct Case {
        const char* what;
        std::function<VstInstall()> make;
    };
    const std::vector<Case> cases = {
        {"a number", [&] { return withValue(std::string("\x01\x00\x00\x00", 4), RegistryType::Dword); }},
        {"a variable nobody expands", [&] { return withValue("%KORVEX_FOLDER%" + nul, RegistryType::ExpandString); }},
        {"a list", [&] { return withValue("nowhere" + nul + "elsewhere" + nul + nul, RegistryType::MultiString); }},
        {"longer than the buffer", [&] { return withValue(std::string(1500, 'a'), RegistryType::String); }},
        {"a full buffer, no terminator", [&] { return withValue(std::string(1000, 'a'), RegistryType::Binary); }},
        {"a text file as the library", [&] { return withFile("not a library\n"); }},
        {"an empty library file", [&] { return withFile(""); }},
        {"a library without main", [] { return VstInstall::forPath(testing_support::pluginFile("nomain").string()); }},
    };
    for (const Case& broken : cases) {
        SCOPED_TRACE(broken.what);
        // Only the broken value: a product value another program left in the other view would
        // otherwise be where the module finds a plug-in after all.
        VstInstall made = broken.make();
        made.registry().erase(RegistryView::Wow64_32);
        installThis(std::move(made));
        SimEffectInstance& instance = make();
        EXPECT_EQ(instance.initializeResult(), 0);
        EXPECT_EQ(instance.parameterCount(), 0);
        EXPECT_EQ(asInt(instance.controller().packet(8)), 0);
    }
    const std::filesystem::path plugin32 = testing_support::buildDir() / "plugins" / "plugin32.dll";
    if (!std::filesystem::exists(plugin32)) GTEST_SKIP() << "no 32-bit DLL to try (needs the i686 mingw-w64 binutils)";
    installThis(VstInstall::forPath(plugin32.string()));
    SimEffectInstance& instance = make();
    EXPECT_EQ(instance.initializeResult(), 0);
    EXPECT_EQ(asInt(instance.controller().packet(8)), 0) << "a 32-bit DLL";
}

// Each install is made before the last one is dropped: the newest is the one the module finds,
// never an older value coming back as the last one goes (one that names a plug-in here).
TEST_F(WrapperContext, TheNewestInstallIsTheOneInForce) {
    simhost::VstInstall older = simhost::VstInstall::forPath(testing_support::recordingLibrary().string());
    installThis(simhost::VstInstall::emptyFolder());
    EXPECT_EQ(asInt(make().controller().packet(8)), 0) << "the first empty install";
    installThis(simhost::VstInstall::emptyFolder());
    EXPECT_EQ(asInt(make().controller().packet(8)), 0) << "the second, made while the first was there";
}

// The reference plug-in through the module and hosted directly, fed the same audio, MIDI and
// transport; the direct host reports the transport the module stored for each call.
void compareWithDirectHosting(SimEffectInstance& instance, bool playing) {
    constexpr int32_t kFrames = 256;
    constexpr int kBlocks = 24;
    const int32_t channels = instance.channels();

    simhost::DirectVstHost direct;
    ASSERT_TRUE(direct.load(testing_support::referenceLibrary().string())) << direct.error();
    direct.start(48000.0f);
    // The same parameter changes, once through the host and once directly.
    ASSERT_EQ(instance.setParameter("cutoff", 0.4), 0);
    ASSERT_TRUE(direct.setParameterById("cutoff", 0.4f));
    ASSERT_EQ(instance.setParameter("delay_mix", 0.6), 0);
    ASSERT_TRUE(direct.setParameterById("delay_mix", 0.6f));

    simhost::TransportSettings transport;
    transport.playing = playing;
    transport.tempo = 132.0;
    transport.location = 48000;
    instance.setTransport(transport);

    std::vector<float> in[2], viaModule[2], viaDirect[2];
    for (int c = 0; c < 2; ++c) {
        in[c].resize(kFrames);
        viaModule[c].resize(kFrames);
        viaDirect[c].resize(kFrames);
    }
    const VstCallBack& state = *testing_support::postedVstInterface(instance)->callback;
    bool heard = false;
    for (int block = 0; block < kBlocks; ++block) {
        for (int c = 0; c < 2; ++c)
            for (int32_t i = 0; i < kFrames; ++i)
                in[c][static_cast<size_t>(i)] =
                    0.4f * std::sin(0.013f * static_cast<float>(block * kFrames + i) * static_cast<float>(c + 1));
        std::vector<simhost::MidiPacket> midi;
        if (block % 8 == 0) {
            midi.push_back({17, 0x90, static_cast<uint8_t>(57 + block / 8), 100});
            direct.sendMidi(0x90, static_cast<uint8_t>(57 + block / 8), 100, 17);
        }
        if (block % 8 == 5) {
            midi.push_back({3, 0x80, static_cast<uint8_t>(57 + block / 8), 0});
            direct.sendMidi(0x80, static_cast<uint8_t>(57 + block / 8), 0, 3);
        }
        const float* inputs[2] = {in[0].data(), in[1].data()};
        float* outputs[2] = {viaModule[0].data(), viaModule[1].data()};
        ASSERT_TRUE(instance.render(inputs, outputs, kFrames, midi));

        direct.setTimeInfo(simhost::DirectVstHost::transport(
            state.isPlaying() != 0, state.tempo.load(), state.meterNumerator.load(),
            state.meterDenominator.load(), state.ppqPosition.load(), state.samplePosition.load(), 48000.0));
        direct.process(in[0].data(), channels > 1 ? in[1].data() : nullptr, viaDirect[0].data(),
                       channels > 1 ? viaDirect[1].data() : nullptr, kFrames);
        for (int c = 0; c < channels; ++c) {
            SCOPED_TRACE(::testing::Message() << "block " << block << " channel " << c);
            ASSERT_EQ(std::memcmp(viaModule[c].data(), viaDirect[c].data(), sizeof(float) * kFrames), 0);
            for (float sample : viaModule[c]) heard = heard || sample != 0.0f;
        }
    }
    EXPECT_TRUE(heard) << "a silent plug-in makes the comparison empty";
}

class WrapperReference : public WrapperTest {
protected:
    // The build folder itself is the install folder, as the default of the command-line host.
    void SetUp() override { install(simhost::defaultInstallFolder()); }
};

TEST_F(WrapperReference, StereoAudioMatchesDirectHostingWithMidiAndTransport) {
    compareWithDirectHosting(make(), true);
}

TEST_F(WrapperReference, MonoAudioMatchesDirectHostingWithMidiAndTransport) {
    simhost::InstanceOptions options;
    options.stemFormat = simhost::kStemMono;
    compareWithDirectHosting(make(options), true);
}

TEST_F(WrapperReference, StoppedTransportAudioMatchesDirectHosting) { compareWithDirectHosting(make(), false); }

TEST_F(WrapperReference, ParametersFollowThePlugInsOwnDescriptions) {
    SimEffectInstance& instance = make();
    // Twelve automatable parameters, "voices" refused, plus the bypass.
    EXPECT_EQ(instance.parameterCount(), 13);
    EXPECT_FALSE(instance.findParameter("voices"));
    const auto wave = instance.findParameter("osc_wave");
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->steps, 2);
    EXPECT_EQ(wave->text, "off");
    ASSERT_TRUE(instance.findParameter("delay_sync"));
    EXPECT_EQ(instance.findParameter("delay_sync")->steps, 5);
    const auto detune = instance.findParameter("detune");
    ASSERT_TRUE(detune) << "a parameter without properties keeps the plug-in's own ID";
    EXPECT_EQ(detune->steps, 65);
    EXPECT_FLOAT_EQ(static_cast<float>(instance.findParameter("cutoff")->defaultValue), 0.7f);
    EXPECT_EQ(instance.chunkId(), static_cast<uint32_t>(testing_support::postedVstInterface(instance)->effect->uniqueID));
}

}  // namespace
