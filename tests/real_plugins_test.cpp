// Real VST 2.4 plug-ins from Debian, which nobody here wrote and which know none of the private
// opcodes, rendered through the module and hosted directly with the same calls: the samples must match.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "install_folder.h"
#include "simhost/direct_vst_host.h"
#include "simhost/dynamic_library.h"
#include "simhost/sim_effect_instance.h"
#include "simhost/sim_host.h"
#include "simhost/sim_transport.h"
#include "simhost/vst_install.h"

// amsynth leaks a few small objects of its own per instance, which LeakSanitizer would
// otherwise lay at this test's door.
extern "C" const char* __lsan_default_suppressions() { return "leak:amsynth_vst.so\nleak:korvex-install-\n"; }

namespace {

namespace fs = std::filesystem;

constexpr float kRate = 48000.0f;
constexpr double kTempo = 126.0;
constexpr int32_t kMaxBlock = 512;
// Uneven block sizes, the one-frame call included, cycled through the whole render.
constexpr int32_t kBlocks[] = {256, 128, 37, 512, 1, 300};
constexpr int kCalls = 60;
constexpr double kTwoPi = 6.283185307179586;

struct Note {
    int64_t frame;
    uint8_t status, data1, data2;
};

struct PlugInCase {
    const char* name;
    const char* path;
    const char* package;  // the Debian package that installs it
    int32_t stemFormat;
    bool feedsAudio;  // an effect gets a test signal; a synth gets silence and the notes
    // False where the host's channels are silent by design: an amplitude imposer takes its
    // envelope from inputs 3 and 4, which read silence through the module and directly alike.
    bool sounds = true;
};

// What the host's output buffers hold before each call: a plug-in that is never called, or
// leaves samples of an output it declares unwritten, cannot pass for one that wrote silence.
constexpr float kUnwritten = 0.125f;

float testSignal(int channel, int64_t n) {
    // Low, middle and high partials, so every band of an equaliser has something to shape.
    const double t = static_cast<double>(n) / kRate;
    return static_cast<float>(0.3 * std::sin(kTwoPi * 80.0 * t + channel) + 0.2 * std::sin(kTwoPi * 1000.0 * t) +
                              0.1 * std::sin(kTwoPi * 9000.0 * t + 0.5 * channel));
}

// A short phrase with notes starting and stopping inside blocks and on block boundaries.
std::vector<Note> phrase() {
    return {{0, 0x90, 57, 100},    {3000, 0x80, 57, 0},   {4200, 0x90, 64, 90},  {4200, 0x90, 60, 80},
            {8000, 0xB0, 74, 100}, {9001, 0x80, 64, 0},   {9001, 0x80, 60, 0},   {11000, 0x90, 45, 127},
            {14500, 0x90, 45, 0}};
}

// The time record the module answers after it has stored one render call's transport (render
// callback, then time request): it takes the song position origin at each call that starts the
// transport, which is every call until the plug-in has once asked for the time.
class ModuleClock {
public:
    ModuleClock() {
        transport.setSampleRate(kRate);
        transport.setTempo(kTempo);
        transport.setMeter(4, 4);
        transport.setPlaying(true);
    }

    VstTimeInfo at(int64_t location) {
        int32_t bars = 0, beats = 0;
        int64_t ticks = 0;
        transport.barBeatAt(location, &bars, &beats, &ticks);
        if (!timeAsked) origin = (bars + 1) * 4.0 + 1.0;
        const double ppq = bars * 4.0 + beats + static_cast<double>(ticks) / 960000.0 - origin;
        const double samplePos = static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(location)));
        return simhost::DirectVstHost::transport(true, kTempo, 4, 4, ppq, samplePos, kRate);
    }
    void noteRequests(const std::vector<simhost::HostRequest>& requests) {
        for (const simhost::HostRequest& request : requests) timeAsked = timeAsked || request.opcode == audioMasterGetTime;
    }

private:
    simhost::SimTransport transport;
    bool timeAsked = false;
    double origin = 0.0;
};

class RealPlugIns : public ::testing::TestWithParam<PlugInCase> {};

TEST_P(RealPlugIns, RenderTheSameSamplesThroughTheModuleAsHostedDirectly) {
    const PlugInCase& plugIn = GetParam();
    if (std::string(simhost::librarySuffix()) != ".so")
        GTEST_SKIP() << "Debian's VST plug-ins are Linux libraries; there is no Windows build of them to load";
    if (!fs::exists(plugIn.path)) GTEST_SKIP() << plugIn.path << " is missing: install " << plugIn.package << " to run this";
    const fs::path module = testing_support::buildDir() / "KORVEX.aaxplugin";
    ASSERT_TRUE(fs::exists(module)) << module;

    simhost::DirectVstHost direct;
    ASSERT_TRUE(direct.load(plugIn.path)) << direct.error();
    direct.start(kRate);

    simhost::VstInstall install = simhost::VstInstall::forPath(plugIn.path);
    simhost::SimHost host(module.string());
    ASSERT_EQ(host.startup(), 0);
    host.describe();
    simhost::InstanceOptions options;
    options.stemFormat = plugIn.stemFormat;
    options.sampleRate = kRate;
    options.maxFrames = kMaxBlock;
    auto instance = std::make_unique<simhost::SimEffectInstance>(host, options);
    ASSERT_EQ(instance->initializeResult(), 0);
    ASSERT_EQ(instance->controller().packet(8), (std::vector<uint8_t>{1, 0, 0, 0})) << "the module did not load it";

    // The one parameter the module can name for a plug-in without private IDs is its bypass;
    // delivering "off" reaches the plug-in as effSetBypass 0, the same call the direct host makes.
    ASSERT_TRUE(instance->findParameter(instance->masterBypassId()));
    ASSERT_EQ(instance->setParameter(instance->masterBypassId(), 0.0), 0);
    direct.setBypass(false);

    simhost::TransportSettings transport;
    transport.playing = true;
    transport.tempo = kTempo;
    instance->setTransport(transport);
    ModuleClock clock;

    const int32_t channels = instance->channels();
    std::vector<std::vector<float>> in(2, std::vector<float>(kMaxBlock)), viaModule = in, viaDirect = in;
    const std::vector<Note> notes = phrase();
    size_t nextNote = 0;
    int64_t location = 0;
    float loudest = 0.0f;
    direct.clearRequests();
    for (int call = 0; call < kCalls; ++call) {
        const int32_t frames = kBlocks[call % std::size(kBlocks)];
        for (int c = 0; c < 2; ++c)
            for (int32_t i = 0; i < frames; ++i)
                in[static_cast<size_t>(c)][static_cast<size_t>(i)] = plugIn.feedsAudio ? testSignal(c, location + i) : 0.0f;

        // The module stores the call's transport before it passes on the call's MIDI.
        direct.setTimeInfo(clock.at(location));
        std::vector<simhost::MidiPacket> packets;
        for (; nextNote < notes.size() && notes[nextNote].frame < location + frames; ++nextNote) {
            const Note& note = notes[nextNote];
            const auto offset = static_cast<uint32_t>(note.frame - location);
            packets.push_back({offset, note.status, note.data1, note.data2});
            direct.sendMidi(note.status, note.data1, note.data2, static_cast<int32_t>(offset));
        }

        const float* inputs[2] = {in[0].data(), in[1].data()};
        float* moduleOutputs[2] = {viaModule[0].data(), viaModule[1].data()};
        for (int c = 0; c < channels; ++c)
            std::fill(instance->context().output(c), instance->context().output(c) + kMaxBlock, kUnwritten);
        ASSERT_TRUE(instance->render(inputs, moduleOutputs, frames, packets));

        for (auto& channel : viaDirect) std::fill(channel.begin(), channel.end(), kUnwritten);
        direct.process(in[0].data(), channels > 1 ? in[1].data() : nullptr, viaDirect[0].data(),
                       channels > 1 ? viaDirect[1].data() : nullptr, frames);
        clock.noteRequests(direct.requests());
        direct.clearRequests();

        for (int c = 0; c < channels; ++c) {
            SCOPED_TRACE(::testing::Message() << "call " << call << " (" << frames << " frames) channel " << c);
            ASSERT_EQ(std::memcmp(viaModule[static_cast<size_t>(c)].data(), viaDirect[static_cast<size_t>(c)].data(),
                                  sizeof(float) * static_cast<size_t>(frames)),
                      0);
            for (int32_t i = 0; i < frames; ++i) {
                const float value = viaModule[static_cast<size_t>(c)][static_cast<size_t>(i)];
                if (c < direct.effect()->numOutputs) {
                    ASSERT_NE(value, kUnwritten) << "frame " << i << " was never written";
                }
                loudest = std::max(loudest, std::fabs(value));
            }
        }
        location += frames;
    }
    if (plugIn.sounds) EXPECT_GT(loudest, 0.001f) << "silence on both sides would make the comparison empty";
    else EXPECT_EQ(loudest, 0.0f);

    instance.reset();
    EXPECT_EQ(host.canUnloadNow(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Debian, RealPlugIns,
    ::testing::Values(
        PlugInCase{"ThreeBandEqStereo", "/usr/lib/vst/3BandEQ-vst.so", "dpf-plugins-vst", simhost::kStemStereo, true},
        PlugInCase{"NekobiMono", "/usr/lib/vst/Nekobi-vst.so", "dpf-plugins-vst", simhost::kStemMono, false},
        PlugInCase{"NekobiStereo", "/usr/lib/vst/Nekobi-vst.so", "dpf-plugins-vst", simhost::kStemStereo, false},
        // Two inputs, six outputs: the host hears the low band; the other four go nowhere.
        PlugInCase{"ThreeBandSplitterStereo", "/usr/lib/vst/3BandSplitter-vst.so", "dpf-plugins-vst",
                   simhost::kStemStereo, true},
        PlugInCase{"AmplitudeImposerStereo", "/usr/lib/vst/AmplitudeImposer-vst.so", "dpf-plugins-vst",
                   simhost::kStemStereo, true, false},
        // A side-chain input beyond the host's two.
        PlugInCase{"ZamCompX2Stereo", "/usr/lib/vst/ZamCompX2-vst.so", "zam-plugins", simhost::kStemStereo, true},
        PlugInCase{"AmsynthStereo", "/usr/lib/vst/amsynth_vst.so", "amsynth", simhost::kStemStereo, false}),
    [](const ::testing::TestParamInfo<PlugInCase>& param) { return std::string(param.param.name); });

}  // namespace
