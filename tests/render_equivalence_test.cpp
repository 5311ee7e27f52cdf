// Audio through the module's render callback equals the same plug-in hosted directly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <vector>

#include "fake_controller.h"
#include "install_folder.h"
#include "render/render_callback.h"
#include "simhost/direct_vst_host.h"
#include "simhost/render_context_builder.h"
#include "simhost/render_driver.h"
#include "vst/vst_instance.h"

using testing_support::buildDir;

namespace {

constexpr int32_t kFrames = 256;
constexpr int kBlocks = 24;
constexpr float kRate = 48000.0f;

// The reference plug-in when it is built, else the recording plug-in (a pass-through).
std::filesystem::path pluginUnderTest() {
    const std::filesystem::path reference = buildDir() / "VST64" / "KORVEX.dll";
    if (std::filesystem::exists(reference)) return reference;
    return testing_support::pluginFile("recording");
}

float signal(int channel, int64_t n) {
    return 0.5f * std::sin(0.01f * static_cast<float>(n) * static_cast<float>(channel + 1)) +
           0.1f * static_cast<float>((n * 7919 + channel * 104729) % 1000) / 1000.0f;
}

bool silent(const float* samples) {
    for (int32_t i = 0; i < kFrames; ++i)
        if (samples[i] != 0.0f) return false;
    return true;
}

TEST(RenderEquivalence, ModuleOutputMatchesDirectHostingSampleForSample) {
    const std::filesystem::path library = pluginUnderTest();
    if (!std::filesystem::exists(library)) GTEST_SKIP() << "no plug-in built";

    simhost::DirectVstHost direct;
    ASSERT_TRUE(direct.load(library.string())) << direct.error();
    direct.start(kRate);

    // Through the module: registry, loader, context, transport, MIDI and the render callback.
    testing_support::InstallFolder install(library);
    testing_support::FakeController controller;
    controller.rate = kRate;
    auto* someOwner = reinterpret_cast<AAXWrapper_Parameters*>(0x1000);
    VstInstance wrapped = CreateVstInstance(someOwner, nullptr, &controller);
    ASSERT_EQ(wrapped.vstLoaded, 1);
    VstInterface& vst = *wrapped.vstInterface;
    vst.dispatch(effSetSampleRate, 0, 0, nullptr, kRate);
    vst.dispatch(effOpen, 0, 0, nullptr, 0.0f);
    vst.dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);

    simhost::RenderContextBuilder context(simhost::kStemStereo, kFrames);
    const int32_t channels = 2, loaded = 1;
    context.postPacket(1, &channels, 4);
    context.postPacket(3, &channels, 4);
    context.postPacket(7, &wrapped.vstInterface, 8);
    context.postPacket(8, &loaded, 4);
    context.transport().setSampleRate(kRate);
    context.transport().setTempo(132.0);
    context.transport().setMeter(4, 4);
    context.transport().setPlaying(true);
    simhost::RenderDriver driver(&RenderCallback);

    std::vector<float> in[2], out[2];
    for (auto& v : in) v.resize(kFrames);
    for (auto& v : out) v.resize(kFrames);
    bool heard = false;
    for (int block = 0; block < kBlocks; ++block) {
        const int64_t location = int64_t{block} * kFrames;
        for (int c = 0; c < 2; ++c)
            for (int32_t i = 0; i < kFrames; ++i) {
                in[c][static_cast<size_t>(i)] = signal(c, location + i);
                context.input(c)[i] = in[c][static_cast<size_t>(i)];
            }
        context.midiInput().clear();
        if (block % 8 == 0) {
            context.midiInput().addPacket(17, 0x90, static_cast<uint8_t>(57 + block / 8), 100);
            direct.sendMidi(0x90, static_cast<uint8_t>(57 + block / 8), 100, 17);
        }
        if (block % 8 == 5) {
            context.midiInput().addPacket(3, 0x80, static_cast<uint8_t>(57 + block / 8), 0);
            direct.sendMidi(0x80, static_cast<uint8_t>(57 + block / 8), 0, 3);
        }
        context.transport().setLocation(location);
        driver.render({&context});

        // The direct host reports the transport the module has just stored for this call.
        const VstCallBack& state = *wrapped.vstCallBack;
        direct.setTimeInfo(simhost::DirectVstHost::transport(true, state.tempo.load(), state.meterNumerator.load(),
                                                             state.meterDenominator.load(), state.ppqPosition.load(),
                                                             state.samplePosition.load(), kRate));
        direct.process(in[0].data(), in[1].data(), out[0].data(), out[1].data(), kFrames);
        for (int c = 0; c < 2; ++c) {
            SCOPED_TRACE(::testing::Message() << "block " << block << " channel " << c);
            ASSERT_EQ(std::memcmp(out[c].data(), context.output(c), sizeof(float) * kFrames), 0);
        }
        heard = heard || !silent(out[0].data());
    }
    EXPECT_TRUE(heard) << "a silent plug-in makes the comparison empty";
    DestroyVstInstance(wrapped.vstInterface, wrapped.vstCallBack);
}

}  // namespace
