// Loading real plug-in libraries through the registry and loader stand-ins.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>

#include "install_folder.h"
#include "plugins/faulty/recording_log.h"
#include "vst/host_callback.h"
#include "vst/vst_instance.h"
#include "vst/vst_loader.h"

using testing_support::buildDir;
using testing_support::InstallFolder;

namespace {

std::filesystem::path plugin(const char* name) { return buildDir() / "plugins" / name; }

#define REQUIRE_PLUGIN(path) \
    if (!std::filesystem::exists(path)) GTEST_SKIP() << (path) << " is not built"

TEST(VstLibrary, RecordingPlugInLoadsIntoTwoInstancesAndClosesOnce) {
    REQUIRE_PLUGIN(plugin("recording.so"));
    InstallFolder install(plugin("recording.so"));
    void* library = ::dlopen(plugin("recording.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr);
    auto logOf = reinterpret_cast<KorvexRecordingLogProc>(::dlsym(library, "korvexRecordingLog"));
    ASSERT_NE(logOf, nullptr);

    VstInstance a = CreateVstInstance(nullptr, nullptr, nullptr);
    VstInstance b = CreateVstInstance(nullptr, nullptr, nullptr);
    ASSERT_EQ(a.vstLoaded, 1);
    ASSERT_EQ(b.vstLoaded, 1);
    AEffect* effectA = a.vstInterface->effect;
    ASSERT_NE(effectA, b.vstInterface->effect);
    const recording::RecordingLog* logA = logOf(effectA);
    ASSERT_NE(logA, nullptr);
    // Asked during "main", before user was set: answered by the callback itself.
    EXPECT_EQ(logA->versionAtCreation, 7);
    EXPECT_EQ(logA->host, &HostCallback);
    EXPECT_EQ(effectA->user, a.vstCallBack);
    EXPECT_TRUE(logA->opcodes().empty());

    DestroyVstInstance(a.vstInterface, a.vstCallBack);
    EXPECT_EQ(logA->opcodes(), std::vector<int32_t>{effClose});
    EXPECT_EQ(logA->closed, 1);
    EXPECT_TRUE(logOf(b.vstInterface->effect)->opcodes().empty());
    DestroyVstInstance(b.vstInterface, b.vstCallBack);
    ::dlclose(library);
}

TEST(VstLibrary, MissingLibraryMainOrPlugInLeavesAnEmptyInstance) {
    for (const char* name : {"nomain.so", "nullmain.so", ""}) {
        SCOPED_TRACE(name);
        const std::filesystem::path file = *name ? plugin(name) : std::filesystem::path();
        if (*name && !std::filesystem::exists(file)) continue;
        InstallFolder install(file);
        gLoadMessage[0] = '\0';
        VstInstance instance = CreateVstInstance(nullptr, nullptr, nullptr);
        EXPECT_EQ(instance.vstLoaded, 0);
        EXPECT_EQ(instance.vstInterface->effect, nullptr);
        EXPECT_STREQ(gLoadMessage, "Unable to load TOLM-lab \n you should reinstall your KORVEX product");
        DestroyVstInstance(instance.vstInterface, instance.vstCallBack);
    }
}

}  // namespace
