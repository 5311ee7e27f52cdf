// Loading real plug-in libraries through the registry and loader stand-ins.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "install_folder.h"
#include "plugins/faulty/recording_log.h"
#include "simhost/dynamic_library.h"
#include "vst/host_callback.h"
#include "vst/vst_instance.h"
#include "vst/vst_loader.h"

using testing_support::InstallFolder;
using testing_support::pluginFile;

namespace {

#define REQUIRE_PLUGIN(path) \
    if (!std::filesystem::exists(path)) GTEST_SKIP() << (path) << " is not built"

TEST(VstLibrary, RecordingPlugInLoadsIntoTwoInstancesAndClosesOnce) {
    REQUIRE_PLUGIN(pluginFile("recording"));
    InstallFolder install(pluginFile("recording"));
    // The installed copy: the very library instance the loader is about to open.
    void* library = simhost::openLibrary(install.libraryPath());
    ASSERT_NE(library, nullptr);
    auto logOf = reinterpret_cast<KorvexRecordingLogProc>(simhost::librarySymbol(library, "korvexRecordingLog"));
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
    simhost::closeLibrary(library);
}

// A file in the temporary folder holding only text, under a library's name.
std::filesystem::path textFile() {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "korvex-text-only.dll";
    std::ofstream(file, std::ios::binary) << "this is not a library\n";
    return file;
}

TEST(VstLibrary, MissingOrForeignLibraryMainOrPlugInLeavesAnEmptyInstance) {
    const std::filesystem::path files[] = {pluginFile("nomain"), pluginFile("nullmain"), std::filesystem::path(),
                                           testing_support::buildDir() / "plugins" / "plugin32.dll", textFile()};
    for (const std::filesystem::path& file : files) {
        SCOPED_TRACE(file.string());
        if (!file.empty() && !std::filesystem::exists(file)) continue;  // plugin32.dll needs i686 binutils
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
