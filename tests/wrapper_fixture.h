// The built module hosted end to end: a temporary install of a chosen VST library, a started and
// described SimHost, and access to what the recording plug-in saw.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "install_folder.h"
#include "plugins/faulty/recording_log.h"
#include "simhost/dynamic_library.h"
#include "simhost/sim_effect_instance.h"
#include "simhost/sim_host.h"
#include "simhost/vst_install.h"
#include "vst/vst_interface.h"

namespace testing_support {

inline std::filesystem::path builtPath(const std::string& relative) {
    return std::filesystem::path(simhost::defaultInstallFolder()) / relative;
}
inline std::filesystem::path recordingLibrary() { return pluginFile("recording"); }
inline std::filesystem::path referenceLibrary() { return builtPath("VST64/KORVEX.dll"); }

// The recording plug-in's hooks, from the very library the module loads: the installed copy,
// which a loader that tells libraries apart by path holds apart from build/plugins' file.
class RecordingHooks {
public:
    RecordingHooks() = default;
    ~RecordingHooks() {
        if (configureProc) configureProc(nullptr);
        // Left loaded: the module keeps its own reference and closed logs stay readable.
    }
    RecordingHooks(const RecordingHooks&) = delete;
    RecordingHooks& operator=(const RecordingHooks&) = delete;

    // Opens the installed library; a library without the hooks leaves them unset.
    void attach(const std::string& installedLibrary) {
        void* handle = simhost::openLibrary(installedLibrary);
        logOf = reinterpret_cast<KorvexRecordingLogProc>(simhost::librarySymbol(handle, "korvexRecordingLog"));
        configureProc =
            reinterpret_cast<KorvexRecordingConfigureProc>(simhost::librarySymbol(handle, "korvexRecordingConfigure"));
        callHostProc =
            reinterpret_cast<KorvexRecordingCallHostProc>(simhost::librarySymbol(handle, "korvexRecordingCallHost"));
        if (configureProc) configureProc(&pending);
    }

    bool ready() const { return std::filesystem::exists(recordingLibrary()); }
    // For instances made from now on; kept until attach() when nothing is installed yet.
    void configure(const recording::RecordingConfig& config) {
        pending = config;
        if (configureProc) configureProc(&pending);
    }
    const recording::RecordingLog* log(const AEffect* effect) const { return logOf ? logOf(effect) : nullptr; }
    VstIntPtr callHost(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value = 0, float opt = 0.0f) {
        return callHostProc ? callHostProc(effect, opcode, index, value, nullptr, opt) : 0;
    }

private:
    recording::RecordingConfig pending{};
    KorvexRecordingLogProc logOf = nullptr;
    KorvexRecordingConfigureProc configureProc = nullptr;
    KorvexRecordingCallHostProc callHostProc = nullptr;
};

// The VstInterface an instance posted to its render context (field 7), or null.
inline VstInterface* postedVstInterface(simhost::SimEffectInstance& instance) {
    const void* block = instance.context().context()->vstInterfaceBlock;
    if (!block) return nullptr;
    VstInterface* vst = nullptr;
    std::memcpy(&vst, block, sizeof vst);
    return vst;
}

// Library and host for one test; instances made through make() go before the host does, and
// the module must then report no live objects.
class WrapperTest : public ::testing::Test {
protected:
    void install(const std::filesystem::path& library) {
        ASSERT_TRUE(std::filesystem::exists(library)) << library << " is not built";
        vst.emplace(simhost::VstInstall::forPath(library.string()));
        if (!std::filesystem::is_directory(library)) hooks.attach(vst->libraryPath());
        startHost();
    }
    void installNothing() {
        vst.emplace(simhost::VstInstall::none());
        startHost();
    }
    // Any install a test made itself; a host of the previous install goes first, with its instances.
    void installThis(simhost::VstInstall made) {
        releaseInstances();
        host.reset();
        vst.reset();
        vst.emplace(std::move(made));
        startHost();
    }
    simhost::SimEffectInstance& make(const simhost::InstanceOptions& options = {}) {
        instances.push_back(std::make_unique<simhost::SimEffectInstance>(*host, options));
        return *instances.back();
    }
    AEffect* effectOf(simhost::SimEffectInstance& instance) {
        VstInterface* posted = postedVstInterface(instance);
        return posted ? posted->effect : nullptr;
    }
    const recording::RecordingLog& logOf(simhost::SimEffectInstance& instance) {
        const recording::RecordingLog* found = hooks.log(effectOf(instance));
        if (!found) throw std::runtime_error("the instance holds no recording plug-in");
        return *found;
    }
    void releaseInstances() { instances.clear(); }

    void TearDown() override {
        releaseInstances();
        if (host) {
            EXPECT_EQ(host->canUnloadNow(), 0) << "live module objects after every instance went";
        }
        host.reset();
        vst.reset();
    }

    RecordingHooks hooks;
    std::optional<simhost::VstInstall> vst;
    std::unique_ptr<simhost::SimHost> host;
    std::vector<std::unique_ptr<simhost::SimEffectInstance>> instances;

private:
    void startHost() {
        host = std::make_unique<simhost::SimHost>();
        ASSERT_EQ(host->startup(), 0);
        host->describe();
    }
};

}  // namespace testing_support
