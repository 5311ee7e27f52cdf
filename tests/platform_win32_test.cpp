// The platform layer over the real Win32 API: the registry's two views and the order the loader
// tries them in, LoadLibraryA with backslash paths, kernel mutexes between threads (a wait that
// fails, an abandoned mutex) and thread ids.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "install_folder.h"
#include "platform/platform.h"
#include "simhost/product_registry.h"
#include "util/thread_mutex.h"
#include "vst/vst_loader.h"

namespace {

namespace fs = std::filesystem;
using simhost::ProductRegistry;
using simhost::RegistryType;
using simhost::RegistryView;

constexpr char kKeyPath[] = "Software\\TOLM-lab\\KORVEX";
constexpr uint32_t kView64 = 0x20119;
constexpr uint32_t kView32 = 0x20219;

// The real table, with the key opens and library loads written down on their way through.
struct Seen {
    std::mutex lock;
    std::vector<platform::HKEY> roots;
    std::vector<uint32_t> opens;
    std::vector<std::string> loads;
};
Seen& seen() {
    static Seen shared;
    return shared;
}

class RecordingRealPlatform {
public:
    RecordingRealPlatform() {
        table = platform::systemApi();
        table.RegOpenKeyExA = [](platform::HKEY root, const char* path, uint32_t options, uint32_t access,
                                 platform::HKEY* key) {
            {
                std::lock_guard<std::mutex> hold(seen().lock);
                seen().roots.push_back(root);
                seen().opens.push_back(access);
            }
            return platform::systemApi().RegOpenKeyExA(root, path, options, access, key);
        };
        table.LoadLibraryA = [](const char* path) {
            {
                std::lock_guard<std::mutex> hold(seen().lock);
                seen().loads.emplace_back(path);
            }
            return platform::systemApi().LoadLibraryA(path);
        };
        seen().roots.clear();
        seen().opens.clear();
        seen().loads.clear();
        platform::setApi(&table);
    }
    ~RecordingRealPlatform() { platform::setApi(nullptr); }
    RecordingRealPlatform(const RecordingRealPlatform&) = delete;
    RecordingRealPlatform& operator=(const RecordingRealPlatform&) = delete;

private:
    platform::Api table{};
};

// The build folder in the form an installer stores: drive letter and backslashes.
std::string buildFolder() { return fs::path(testing_support::buildDir()).make_preferred().string(); }

// Reads installdirectory through the platform table in one view; empty when the key is missing.
std::string readThroughPlatform(uint32_t access, int32_t* openResult) {
    platform::HKEY key = nullptr;
    *openResult = platform::api().RegOpenKeyExA(platform::kHkeyLocalMachine, kKeyPath, 0, access, &key);
    if (*openResult != platform::kErrorSuccess) return std::string();
    char data[64] = {};
    uint32_t size = sizeof data;
    uint32_t type = 0;
    const int32_t read = platform::api().RegQueryValueExA(key, "installdirectory", nullptr, &type,
                                                           reinterpret_cast<uint8_t*>(data), &size);
    platform::api().RegCloseKey(key);
    return read == platform::kErrorSuccess ? std::string(data, size) : std::string("(read failed)");
}

TEST(Win32Registry, LocalMachineIsTheSystemsSignExtendedHandle) {
    EXPECT_EQ(platform::kHkeyLocalMachine, reinterpret_cast<platform::HKEY>(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(platform::kHkeyLocalMachine), uintptr_t{0xFFFFFFFF80000002ull});
}

TEST(Win32Registry, ValuesLiveInTheirOwnViewUntilDeleted) {
    ProductRegistry registry;
    registry.write(RegistryView::Wow64_64, std::string("C:\\x64\0", 7));
    registry.write(RegistryView::Wow64_32, std::string("C:\\x86\0", 7));
    int32_t opened = -1;
    EXPECT_EQ(readThroughPlatform(kView64, &opened), std::string("C:\\x64\0", 7));
    EXPECT_EQ(readThroughPlatform(kView32, &opened), std::string("C:\\x86\0", 7));

    registry.erase(RegistryView::Wow64_64);
    EXPECT_EQ(readThroughPlatform(kView64, &opened), "");
    EXPECT_EQ(opened, platform::kErrorFileNotFound);
    EXPECT_EQ(readThroughPlatform(kView32, &opened), std::string("C:\\x86\0", 7));
    registry.erase(RegistryView::Wow64_32);
    EXPECT_EQ(readThroughPlatform(kView32, &opened), "");
    EXPECT_EQ(opened, platform::kErrorFileNotFound);
}

bool makerKeyExists() {
    HKEY parent = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\TOLM-lab", 0, KEY_READ | KEY_WOW64_64KEY, &parent) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(parent);
    return true;
}

TEST(Win32Registry, ARegistryOfOurOwnGivesBackWhatWasThere) {
    const bool makerKeyBefore = makerKeyExists();
    {
        ProductRegistry outer;
        outer.write(RegistryView::Wow64_64, std::string("C:\\before\0", 10));
        {
            ProductRegistry inner;  // the same thread may nest: the lock is the thread's already
            int32_t opened = -1;
            EXPECT_EQ(readThroughPlatform(kView64, &opened), "") << "a new registry starts without the key";
            inner.write(RegistryView::Wow64_64, std::string("C:\\during\0", 10));
            inner.write(RegistryView::Wow64_32, std::string("C:\\during\0", 10));
        }
        int32_t opened = -1;
        EXPECT_EQ(readThroughPlatform(kView64, &opened), std::string("C:\\before\0", 10));
        EXPECT_EQ(readThroughPlatform(kView32, &opened), "");
        EXPECT_EQ(opened, platform::kErrorFileNotFound);
    }
    EXPECT_EQ(makerKeyExists(), makerKeyBefore) << "the maker's key is as it was";
}

class Win32Loader : public ::testing::Test {
protected:
    void SetUp() override { std::memset(gLoadMessage, 0, sizeof gLoadMessage); }
    ProductRegistry registry;
};

TEST_F(Win32Loader, TriesThe64BitViewTwiceThenThe32BitViewOfTheRealRegistry) {
    {
        RecordingRealPlatform recording;
        registry.writeFolder(RegistryView::Wow64_32, buildFolder());
        AEffect* effect = LoadVstPlugin();
        ASSERT_NE(effect, nullptr);
        effect->dispatcher(effect, 1, 0, 0, nullptr, 0.0f);  // effClose
        EXPECT_EQ(seen().opens, (std::vector<uint32_t>{kView64, kView64, kView32}));
        for (platform::HKEY root : seen().roots) EXPECT_EQ(root, reinterpret_cast<platform::HKEY>(HKEY_LOCAL_MACHINE));
    }
    {
        // The 64-bit view wins even when its folder holds no library.
        RecordingRealPlatform recording;
        registry.writeFolder(RegistryView::Wow64_64, buildFolder() + "\\plugins");
        EXPECT_EQ(LoadVstPlugin(), nullptr);
        EXPECT_EQ(seen().opens, (std::vector<uint32_t>{kView64}));
        EXPECT_EQ(seen().loads, (std::vector<std::string>{buildFolder() + "\\plugins\\VST64\\KORVEX.dll"}));
    }
    {
        RecordingRealPlatform recording;
        registry.erase(RegistryView::Wow64_64);
        registry.erase(RegistryView::Wow64_32);
        EXPECT_EQ(LoadVstPlugin(), nullptr);
        EXPECT_EQ(seen().opens, (std::vector<uint32_t>{kView64, kView64, kView32}));
        EXPECT_TRUE(seen().loads.empty());
    }
}

TEST_F(Win32Loader, OneBackslashBeforeVst64WithOrWithoutATrailingOne) {
    const std::string expected = buildFolder() + "\\VST64\\KORVEX.dll";
    for (const std::string& folder : {buildFolder(), buildFolder() + "\\"}) {
        SCOPED_TRACE(folder);
        RecordingRealPlatform recording;
        registry.writeFolder(RegistryView::Wow64_64, folder);
        AEffect* effect = LoadVstPlugin();
        ASSERT_NE(effect, nullptr);
        EXPECT_EQ(effect->magic, 0x56737450);  // 'VstP': a real plug-in came out of LoadLibraryA and "main"
        EXPECT_EQ(seen().loads, (std::vector<std::string>{expected}));
        effect->dispatcher(effect, 1, 0, 0, nullptr, 0.0f);  // effClose
    }
}

TEST_F(Win32Loader, LoaderTakesBackslashPathsAndFindsOnlyExports) {
    const std::string path = buildFolder() + "\\VST64\\KORVEX.dll";
    platform::HMODULE library = platform::api().LoadLibraryA(path.c_str());
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(platform::api().LoadLibraryA(path.c_str()), library) << "a second load returns the same module";
    EXPECT_NE(platform::api().GetProcAddress(library, "main"), nullptr);
    EXPECT_EQ(platform::api().GetProcAddress(library, "korvexVstMain"), nullptr) << "only the export name counts";
    EXPECT_EQ(platform::api().LoadLibraryA((buildFolder() + "\\VST64\\missing.dll").c_str()), nullptr);
}

// The registry value as installers get it wrong. None may load a plug-in or crash.
TEST_F(Win32Loader, ValuesOfTheWrongTypeTooLongOrUnterminated) {
    struct Case {
        const char* what;
        std::string bytes;
        RegistryType type;
    };
    const std::string folder = buildFolder();
    const std::vector<Case> cases = {
        {"a number", std::string("\x01\x00\x00\x00", 4), RegistryType::Dword},
        {"a variable nobody expands", "%KORVEX_FOLDER%" + std::string(1, '\0'), RegistryType::ExpandString},
        {"a list whose first entry is no folder", "C:\\nowhere" + std::string(1, '\0') + folder + std::string(2, '\0'),
         RegistryType::MultiString},
        {"longer than the buffer", std::string(1200, 'a') + std::string(1, '\0'), RegistryType::String},
        {"a full buffer without a terminator", std::string(1000, 'a'), RegistryType::Binary},
        {"a path too long for the loader", std::string(900, 'a') + std::string(1, '\0'), RegistryType::String},
    };
    for (const Case& bad : cases) {
        SCOPED_TRACE(bad.what);
        registry.write(RegistryView::Wow64_64, bad.bytes, bad.type);
        EXPECT_EQ(LoadVstPlugin(), nullptr);
    }
    // Without a terminator but shorter than the buffer, the value's own size ends the text.
    RecordingRealPlatform recording;
    registry.write(RegistryView::Wow64_64, folder, RegistryType::Binary);
    AEffect* effect = LoadVstPlugin();
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(seen().loads, (std::vector<std::string>{folder + "\\VST64\\KORVEX.dll"}));
    effect->dispatcher(effect, 1, 0, 0, nullptr, 0.0f);
}

TEST(Win32Mutex, SecondThreadWaitsOnTheKernelMutexUntilTheOwnerLeaves) {
    ThreadMutex* lock = ThreadMutex::create();
    ASSERT_NE(lock, nullptr);
    std::atomic<uint32_t> waitedWhileHeld{0};
    std::atomic<bool> asked{false};
    std::atomic<bool> secondInside{false};
    std::thread second;
    {
        ThreadMutexGuard guard(lock);
        second = std::thread([&] {
            // A bounded wait on the held kernel mutex fails with a time-out...
            waitedWhileHeld = platform::api().WaitForSingleObject(lock->handle, 0);
            asked = true;
            // ...and the guard's unbounded one returns once the owner has left.
            ThreadMutexGuard inner(lock);
            secondInside = true;
        });
        while (!asked.load()) std::this_thread::yield();
        EXPECT_FALSE(secondInside.load());
    }
    second.join();
    EXPECT_EQ(waitedWhileHeld.load(), static_cast<uint32_t>(WAIT_TIMEOUT));
    EXPECT_TRUE(secondInside.load());
    EXPECT_EQ(lock->owner.load(), 0u);
    EXPECT_EQ(::WaitForSingleObject(lock->handle, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << "released for good";
    ::ReleaseMutex(lock->handle);
    ThreadMutex::destroy(lock);
}

TEST(Win32Mutex, AbandonedMutexCountsAsAcquired) {
    ThreadMutex* lock = ThreadMutex::create();
    ASSERT_NE(lock, nullptr);
    uint32_t deadOwner = 0;
    // The guard is never destroyed: its thread ends holding the kernel mutex.
    alignas(ThreadMutexGuard) unsigned char storage[sizeof(ThreadMutexGuard)];
    std::thread([&] {
        new (storage) ThreadMutexGuard(lock);
        deadOwner = lock->owner.load();
    }).join();
    EXPECT_NE(deadOwner, 0u);
    {
        ThreadMutexGuard guard(lock);  // WAIT_ABANDONED: taken over, not refused
        EXPECT_EQ(lock->owner.load(), static_cast<uint32_t>(::GetCurrentThreadId()));
    }
    EXPECT_EQ(lock->owner.load(), 0u);
    std::thread([&] {
        EXPECT_EQ(::WaitForSingleObject(lock->handle, 0), static_cast<DWORD>(WAIT_OBJECT_0)) << "free again";
        ::ReleaseMutex(lock->handle);
    }).join();
    ThreadMutex::destroy(lock);
}

// A wait that fails took nothing: the scope runs unlocked and claims nothing, so no one's release
// is spoiled, and nothing waits for ever.
TEST(Win32Mutex, FailedWaitRunsUnguardedAndClaimsNothing) {
    ThreadMutex* lock = ThreadMutex::create();
    ASSERT_NE(lock, nullptr);
    const platform::HANDLE real = lock->handle;
    lock->handle = reinterpret_cast<platform::HANDLE>(uintptr_t{0x7FFF0});  // no such handle
    EXPECT_EQ(platform::api().WaitForSingleObject(lock->handle, INFINITE), static_cast<uint32_t>(WAIT_FAILED));
    {
        ThreadMutexGuard guard(lock);
        EXPECT_EQ(lock->owner.load(), 0u);
    }
    EXPECT_EQ(lock->owner.load(), 0u);
    lock->handle = real;
    ThreadMutex::destroy(lock);
}

TEST(Win32Thread, IdsAreTheSystemsNonzeroAndDistinct) {
    const uint32_t mine = platform::api().GetCurrentThreadId();
    EXPECT_EQ(mine, static_cast<uint32_t>(::GetCurrentThreadId()));
    EXPECT_NE(mine, 0u);
    uint32_t other = 0, otherSystem = 0;
    std::thread([&] {
        other = platform::api().GetCurrentThreadId();
        otherSystem = ::GetCurrentThreadId();
    }).join();
    EXPECT_EQ(other, otherSystem);
    EXPECT_NE(other, 0u);
    EXPECT_NE(other, mine);
}

}  // namespace
