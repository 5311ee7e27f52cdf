// The built module hosting the chaos plug-in in each of its misbehaviours, deterministically, so
// that the ordinary and sanitizer runs cover what the host-call fuzz target explores at random.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "acf/result_codes.h"
#include "plugins/faulty/chaos_control.h"
#include "simhost/dynamic_library.h"
#include "simhost/host_object.h"
#include "simhost/sim_editor.h"
#include "wrapper_fixture.h"

namespace {

class ChaosPlugin : public ::testing::Test {
protected:
    void SetUp() override {
        library = testing_support::pluginFile("chaos");
        ASSERT_TRUE(std::filesystem::exists(library)) << library << " is not built";
        hostObjects = simhost::liveHostObjects();
        install.emplace(simhost::VstInstall::forPath(library.string()));
        // The hooks of the very copy the module loads: on Windows another path is another library.
        handle = simhost::openLibrary(install->libraryPath());
        ASSERT_NE(handle, nullptr);
        configure = reinterpret_cast<KorvexChaosConfigureProc>(simhost::librarySymbol(handle, "korvexChaosConfigure"));
        liveInstances =
            reinterpret_cast<KorvexChaosLiveInstancesProc>(simhost::librarySymbol(handle, "korvexChaosLiveInstances"));
        callHost = reinterpret_cast<KorvexChaosCallHostProc>(simhost::librarySymbol(handle, "korvexChaosCallHost"));
        ASSERT_TRUE(configure && liveInstances && callHost);
        host.emplace();
        ASSERT_EQ(host->startup(), 0);
        host->describe();
    }
    void TearDown() override {
        if (host) {
            EXPECT_EQ(host->canUnloadNow(), 0);
        }
        host.reset();
        install.reset();
        if (liveInstances) {
            EXPECT_EQ(liveInstances(), 0) << "an instance never got effClose";
        }
        EXPECT_EQ(simhost::liveHostObjects(), hostObjects);
        if (configure) configure(nullptr);
    }

    // One instance's whole session with this misbehaviour: parameters, values, render calls with
    // a stop, chunks, an editor, the plug-in's own requests; answers what the chunk save gave.
    int32_t session(const chaos::Config& config, std::vector<simhost::ParameterInfo>* seen = nullptr) {
        configure(&config);
        simhost::SimEffectInstance instance(*host);
        configure(nullptr);
        EXPECT_EQ(instance.initializeResult(), 0);
        const auto parameters = instance.parameterList();
        if (seen) *seen = parameters;
        for (const auto& parameter : parameters) instance.setParameter(parameter.id, 0.75);
        for (bool playing : {true, false, true}) {
            simhost::TransportSettings transport;
            transport.playing = playing;
            instance.setTransport(transport);
            EXPECT_TRUE(instance.render(nullptr, nullptr, 64, {{0, 0x90, 60, 100}}));
        }
        std::vector<uint8_t> state;
        const int32_t saved = instance.saveChunk(state);
        if (saved == kResultSuccess) {
            EXPECT_EQ(instance.loadChunk(state), kResultSuccess);
        }
        {
            simhost::SimEditor editor(*host, instance);
            editor.attachPretendWindow();
            editor.tick(3);
            editor.viewSize();
            editor.redraw(0, 0, 1e9f, -1e9f);
            for (int32_t opcode : {audioMasterUpdateDisplay, audioMasterAutomate, audioMasterGetTime})
                callHost(0, opcode, 1, 0, 0.5f);
            editor.detach();
        }
        instance.pump();
        return saved;
    }

    std::filesystem::path library;
    void* handle = nullptr;
    KorvexChaosConfigureProc configure = nullptr;
    KorvexChaosLiveInstancesProc liveInstances = nullptr;
    KorvexChaosCallHostProc callHost = nullptr;
    int32_t hostObjects = 0;
    std::optional<simhost::VstInstall> install;
    std::optional<simhost::SimHost> host;
};

TEST_F(ChaosPlugin, EveryIdAndNameStyleGivesUsableParametersOrNone) {
    for (int style = 0; style < static_cast<int>(chaos::TextStyle::Count); ++style) {
        chaos::Config config;
        config.numParams = 6;
        config.idStyle = static_cast<chaos::TextStyle>(style);
        config.nameStyle = static_cast<chaos::TextStyle>(style);
        config.propertiesAnswer = static_cast<uint8_t>(style % 3);
        config.reentryPercent = 50;
        std::vector<simhost::ParameterInfo> parameters;
        session(config, &parameters);
        for (const auto& parameter : parameters) {
            EXPECT_LE(parameter.id.size(), 31u) << "style " << style;
            EXPECT_LE(parameter.name.size(), 255u) << "style " << style;
        }
        if (config.idStyle == chaos::TextStyle::Unterminated) {
            // Cut at the parameter's 31 characters, every one of them distinct.
            ASSERT_EQ(parameters.size(), 7u);
            EXPECT_EQ(parameters[1].id, "p0xxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
        }
        if (config.idStyle == chaos::TextStyle::Duplicate) {
            EXPECT_EQ(parameters.size(), 2u);  // the bypass and the first "same"
        }
    }
}

TEST_F(ChaosPlugin, ChunksWithoutDataOrBeyondThirtyTwoBitsAreRefusedNotCopied) {
    const std::pair<chaos::ChunkStyle, int32_t> cases[] = {
        {chaos::ChunkStyle::Normal, kResultSuccess},
        {chaos::ChunkStyle::NullData, kResultChunkWriteFailed},
        {chaos::ChunkStyle::Negative, kResultSuccess},  // no chunk: an empty one
        {chaos::ChunkStyle::Growing, kResultChunkSizeMismatch},
        {chaos::ChunkStyle::Huge, kResultChunkSizeMismatch},
    };
    for (const auto& [style, expected] : cases) {
        chaos::Config config;
        config.chunkStyle = style;
        config.chunkSize = 40;
        EXPECT_EQ(session(config), expected) << "chunk style " << static_cast<int>(style);
    }
}

TEST_F(ChaosPlugin, EditorRectanglesAndValuesOfAnyShapeAndProceduresMissing) {
    for (int style = 0; style < static_cast<int>(chaos::RectStyle::Count); ++style) {
        chaos::Config config;
        config.rectStyle = static_cast<chaos::RectStyle>(style);
        config.valueStyle = static_cast<chaos::ValueStyle>(style % static_cast<int>(chaos::ValueStyle::Count));
        config.nullProcedures = static_cast<uint8_t>(style % 8);
        config.indexOffset = style % 2 ? 1000 : -1000;
        config.refusePercent = 30;
        config.reentryPercent = 100;
        session(config);
    }
    chaos::Config refused;
    refused.nullFromMain = 1;  // the plug-in does not come up at all: an empty effect
    EXPECT_EQ(session(refused), kResultChunkIdUnknown);
}

}  // namespace
