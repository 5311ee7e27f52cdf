// What the editor tests share: one described host, one effect instance over a chosen VST library,
// and the test hooks of that library reached on the file the module loaded (the installed copy).
#pragma once

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "install_folder.h"
#include "plugins/faulty/recording_log.h"
#include "simhost/dynamic_library.h"
#include "simhost/sim_editor.h"
#include "simhost/sim_effect_instance.h"
#include "simhost/sim_host.h"
#include "simhost/vst_install.h"
#include "vst/vst_interface.h"

namespace editor_testing {

inline std::string pluginPath(const char* name) { return testing_support::pluginFile(name).string(); }

// The plug-in instance behind an effect instance: the module posts its VstInterface to field 7.
inline AEffect* effectOf(simhost::SimEffectInstance& instance) {
    const std::vector<uint8_t> block = instance.controller().packet(7);
    VstInterface* vst = nullptr;
    if (block.size() < sizeof vst) return nullptr;
    std::memcpy(&vst, block.data(), sizeof vst);
    return vst ? vst->effect : nullptr;
}

class EditorTest : public ::testing::Test {
protected:
    // library: a VST library file; empty: a registry without the product (no plug-in at all).
    // A recording configuration applies to this instance only.
    void start(const std::string& library, const recording::RecordingConfig* config = nullptr) {
        install.emplace(library.empty() ? simhost::VstInstall::none() : simhost::VstInstall::forPath(library));
        host = std::make_unique<simhost::SimHost>();
        ASSERT_EQ(host->startup(), 0);
        host->describe();
        if (!library.empty()) pluginLibrary = simhost::openLibrary(install->libraryPath());
        auto configure = hook<KorvexRecordingConfigureProc>("korvexRecordingConfigure");
        if (config && configure) configure(config);
        instance = std::make_unique<simhost::SimEffectInstance>(*host);
        if (config && configure) configure(nullptr);
        ASSERT_EQ(instance->initializeResult(), 0);
    }

    void startRecording(const recording::RecordingConfig& config = recording::RecordingConfig{}) {
        start(pluginPath("recording"), &config);
        log = hook<KorvexRecordingLogProc>("korvexRecordingLog")(effectOf(*instance));
        ASSERT_NE(log, nullptr);
    }

    void openEditor() { editor = std::make_unique<simhost::SimEditor>(*host, *instance); }

    // After every test the module must be ready to unload: no editor or instance left alive.
    void TearDown() override {
        editor.reset();
        instance.reset();
        if (host) {
            EXPECT_EQ(host->canUnloadNow(), 0);
        }
        host.reset();
        if (pluginLibrary) simhost::closeLibrary(pluginLibrary);
        install.reset();
    }

    template <class Proc>
    Proc hook(const char* name) {
        return pluginLibrary ? reinterpret_cast<Proc>(simhost::librarySymbol(pluginLibrary, name)) : nullptr;
    }

    // The plug-in's dispatcher calls from the record `from` on.
    std::vector<recording::RecordedCall> dispatchesFrom(uint32_t from) const {
        std::vector<recording::RecordedCall> calls;
        for (uint32_t i = from; i < log->size(); ++i)
            if ((*log)[i].kind == recording::CallKind::Dispatch) calls.push_back((*log)[i]);
        return calls;
    }
    static std::vector<int32_t> opcodes(const std::vector<recording::RecordedCall>& calls) {
        std::vector<int32_t> out;
        for (const auto& call : calls) out.push_back(call.opcode);
        return out;
    }

    std::optional<simhost::VstInstall> install;
    std::unique_ptr<simhost::SimHost> host;
    void* pluginLibrary = nullptr;
    std::unique_ptr<simhost::SimEffectInstance> instance;
    std::unique_ptr<simhost::SimEditor> editor;
    const recording::RecordingLog* log = nullptr;
};

}  // namespace editor_testing
