// Finding, loading and tearing down the wrapped plug-in, seen through a recording platform layer.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fake_effect.h"
#include "platform/platform.h"
#include "vst/vst_instance.h"
#include "vst/vst_loader.h"

using testing_support::FakeEffect;

namespace {

// Process-wide because the platform table holds plain function pointers.
struct FakeSystem {
    bool key64 = true;
    bool key32 = false;
    bool valuePresent = true;
    std::string value = "C:\\Program Files\\TOLM-lab";
    bool libraryPresent = true;
    bool mainPresent = true;
    bool mainReturnsNull = false;

    std::vector<uint32_t> opens;
    std::vector<uint32_t> querySizes;
    int closes = 0;
    std::vector<std::string> loadedPaths;
    std::vector<audioMasterCallback> mainCallbacks;
    std::vector<std::unique_ptr<FakeEffect>> effects;
};
FakeSystem* gSystem = nullptr;
int gKeyToken = 0;
int gLibraryToken = 0;

AEffect* fakeMain(audioMasterCallback host) {
    gSystem->mainCallbacks.push_back(host);
    if (gSystem->mainReturnsNull) return nullptr;
    gSystem->effects.push_back(std::make_unique<FakeEffect>());
    AEffect* effect = &gSystem->effects.back()->effect;
    effect->user = reinterpret_cast<void*>(0x1234);  // stale value the loader must clear
    return effect;
}

const platform::Api kFakeApi = {
    [](platform::HKEY, const char* subKey, uint32_t, uint32_t access, platform::HKEY* out) -> int32_t {
        gSystem->opens.push_back(access);
        *out = nullptr;
        const bool view32 = (access & platform::kKeyWow64_32) != 0;
        if (std::strcmp(subKey, "Software\\TOLM-lab\\KORVEX") != 0 || !(view32 ? gSystem->key32 : gSystem->key64))
            return platform::kErrorFileNotFound;
        *out = &gKeyToken;
        return platform::kErrorSuccess;
    },
    [](platform::HKEY key, const char* name, uint32_t*, uint32_t*, uint8_t* data, uint32_t* size) -> int32_t {
        gSystem->querySizes.push_back(*size);
        if (key != &gKeyToken || std::strcmp(name, "installdirectory") != 0 || !gSystem->valuePresent)
            return platform::kErrorFileNotFound;
        if (gSystem->value.size() > *size) return platform::kErrorMoreData;
        // The bytes past the value are the caller's; make them visible garbage.
        std::memset(data, 'X', *size);
        std::memcpy(data, gSystem->value.data(), gSystem->value.size());
        *size = static_cast<uint32_t>(gSystem->value.size());
        return platform::kErrorSuccess;
    },
    [](platform::HKEY) -> int32_t { return ++gSystem->closes, 0; },
    [](const char* path) -> platform::HMODULE {
        gSystem->loadedPaths.push_back(path);
        return gSystem->libraryPresent ? &gLibraryToken : nullptr;
    },
    [](platform::HMODULE module, const char* name) -> platform::FARPROC {
        if (module != &gLibraryToken || std::strcmp(name, "main") != 0 || !gSystem->mainPresent) return nullptr;
        return reinterpret_cast<platform::FARPROC>(&fakeMain);
    },
    nullptr, nullptr, nullptr, nullptr, nullptr};

class VstLoader : public ::testing::Test {
protected:
    void SetUp() override {
        gSystem = &system;
        platform::setApi(&kFakeApi);
        std::memset(gLoadMessage, 0, sizeof gLoadMessage);
    }
    void TearDown() override {
        platform::setApi(nullptr);
        gSystem = nullptr;
    }
    std::string loadedPath() {
        EXPECT_NE(LoadVstPlugin(), nullptr);
        return system.loadedPaths.empty() ? std::string() : system.loadedPaths.back();
    }
    FakeSystem system;
};

constexpr uint32_t kView64 = 0x20119;
constexpr uint32_t kView32 = 0x20219;

TEST_F(VstLoader, TriesThe64BitViewTwiceThenThe32BitView) {
    EXPECT_NE(LoadVstPlugin(), nullptr);
    EXPECT_EQ(system.opens, (std::vector<uint32_t>{kView64}));

    system.opens.clear();
    system.key64 = false;
    system.key32 = true;
    EXPECT_NE(LoadVstPlugin(), nullptr);
    EXPECT_EQ(system.opens, (std::vector<uint32_t>{kView64, kView64, kView32}));

    system.opens.clear();
    system.key32 = false;
    system.loadedPaths.clear();
    EXPECT_EQ(LoadVstPlugin(), nullptr);
    EXPECT_EQ(system.opens, (std::vector<uint32_t>{kView64, kView64, kView32}));
    EXPECT_TRUE(system.loadedPaths.empty());
}

TEST_F(VstLoader, ReadsAThousandBytesAndClosesTheKey) {
    system.valuePresent = false;
    EXPECT_EQ(LoadVstPlugin(), nullptr);
    EXPECT_EQ(system.querySizes, (std::vector<uint32_t>{1000}));
    EXPECT_EQ(system.closes, 1);
    EXPECT_TRUE(system.loadedPaths.empty());
}

TEST_F(VstLoader, BuildsOnePathWithOrWithoutTrailingBackslash) {
    // The fake fills the rest of the buffer with 'X': the path must end where the value does.
    EXPECT_EQ(loadedPath(), "C:\\Program Files\\TOLM-lab\\VST64\\KORVEX.dll");
    system.value = "C:\\Program Files\\TOLM-lab\\";
    EXPECT_EQ(loadedPath(), "C:\\Program Files\\TOLM-lab\\VST64\\KORVEX.dll");
    system.value = std::string("/opt/korvex\0junk", 16);  // stored with its terminator and more
    EXPECT_EQ(loadedPath(), "/opt/korvex\\VST64\\KORVEX.dll");
    system.value.clear();
    EXPECT_EQ(loadedPath(), "\\VST64\\KORVEX.dll");
}

TEST_F(VstLoader, RefusesAFolderThatFillsTheWholeBuffer) {
    system.value = std::string(1000, 'a');
    EXPECT_EQ(LoadVstPlugin(), nullptr);
    EXPECT_TRUE(system.loadedPaths.empty());

    system.value = std::string(999, 'a');
    EXPECT_EQ(loadedPath(), std::string(999, 'a') + "\\VST64\\KORVEX.dll");

    system.value = std::string(1001, 'a');
    system.loadedPaths.clear();
    EXPECT_EQ(LoadVstPlugin(), nullptr);
    EXPECT_TRUE(system.loadedPaths.empty());
}

TEST_F(VstLoader, MissingLibraryMainOrPlugInGivesNull) {
    system.libraryPresent = false;
    EXPECT_EQ(LoadVstPlugin(), nullptr);
    system.libraryPresent = true;
    system.mainPresent = false;
    EXPECT_EQ(LoadVstPlugin(), nullptr);
    EXPECT_TRUE(system.mainCallbacks.empty());
    system.mainPresent = true;
    system.mainReturnsNull = true;
    EXPECT_EQ(LoadVstPlugin(), nullptr);
    EXPECT_EQ(system.mainCallbacks.size(), 1u);
}

TEST_F(VstLoader, CallsMainWithTheHostCallbackAndClearsUser) {
    AEffect* effect = LoadVstPlugin();
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->user, nullptr);
    ASSERT_EQ(system.mainCallbacks.size(), 1u);
    EXPECT_EQ(system.mainCallbacks[0], &HostCallback);
    EXPECT_TRUE(system.effects[0]->calls.empty());
}

TEST_F(VstLoader, TwoInstancesLoadTwiceAndGetTwoEffects) {
    VstInstance a = CreateVstInstance(nullptr, nullptr, nullptr);
    VstInstance b = CreateVstInstance(nullptr, nullptr, nullptr);
    EXPECT_EQ(a.vstLoaded, 1);
    EXPECT_EQ(b.vstLoaded, 1);
    EXPECT_EQ(system.loadedPaths.size(), 2u);
    EXPECT_EQ(system.mainCallbacks.size(), 2u);
    ASSERT_NE(a.vstInterface->effect, b.vstInterface->effect);
    EXPECT_EQ(a.vstInterface->callback, a.vstCallBack);
    EXPECT_EQ(a.vstInterface->effect->user, a.vstCallBack);
    EXPECT_EQ(b.vstInterface->effect->user, b.vstCallBack);
    EXPECT_EQ(a.vstInterface->active, 1);
    // Construction makes no dispatcher call.
    EXPECT_TRUE(system.effects[0]->calls.empty());
    EXPECT_TRUE(system.effects[1]->calls.empty());
    DestroyVstInstance(a.vstInterface, a.vstCallBack);
    DestroyVstInstance(b.vstInterface, b.vstCallBack);
    EXPECT_EQ(a.vstInterface, nullptr);
    EXPECT_EQ(a.vstCallBack, nullptr);
}

TEST_F(VstLoader, DestroyingSendsExactlyOneEffCloseAndNothingAfter) {
    VstInstance instance = CreateVstInstance(nullptr, nullptr, nullptr);
    FakeEffect& plugin = *system.effects[0];
    int32_t activeDuringClose = -1;
    VstInterface* vst = instance.vstInterface;
    plugin.onDispatch = [&](FakeEffect& self, const testing_support::FakeCall& call) {
        if (call.opcode != effClose) return;
        activeDuringClose = vst->active;
        self.callHost(audioMasterGetTime);  // still answered: the VstCallBack outlives effClose
    };
    DestroyVstInstance(instance.vstInterface, instance.vstCallBack);
    ASSERT_EQ(plugin.calls.size(), 1u);
    EXPECT_EQ(plugin.calls[0].opcode, effClose);
    EXPECT_EQ(plugin.calls[0].index, 0);
    EXPECT_EQ(plugin.calls[0].value, 0);
    EXPECT_EQ(plugin.calls[0].ptr, nullptr);
    EXPECT_EQ(activeDuringClose, 0);
}

TEST(VstInterfaceRecords, OpenEditorAsksForTheRectThenOpensInTheParent) {
    FakeEffect plugin;
    VstInterface vst;
    vst.effect = &plugin.effect;
    int parent = 0;
    vst.OpenEditor(&parent);
    ASSERT_EQ(plugin.calls.size(), 2u);
    EXPECT_EQ(plugin.calls[0].opcode, effEditGetRect);
    EXPECT_EQ(plugin.calls[0].ptr, static_cast<void*>(&vst.editRect));
    EXPECT_EQ(plugin.calls[1].opcode, effEditOpen);
    EXPECT_EQ(plugin.calls[1].ptr, &parent);
    vst.active = 0;
    vst.OpenEditor(&parent);
    EXPECT_EQ(plugin.calls.size(), 2u);
    vst.effect = nullptr;  // this plug-in is not the test's to close
}

}  // namespace
