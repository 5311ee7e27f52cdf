// The POSIX stand-ins of the registry, loader and mutex.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/platform.h"

namespace fs = std::filesystem;
using namespace platform;

namespace {

class RegistryFixture : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("korvex-registry-" + std::to_string(::getpid()));
        fs::remove_all(root);
        ::setenv("KORVEX_REGISTRY_ROOT", root.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("KORVEX_REGISTRY_ROOT");
        fs::remove_all(root);
    }
    void writeValue(const std::string& view, const std::string& bytes) {
        const fs::path key = root / "HKLM" / view / "Software" / "TOLM-lab" / "KORVEX";
        fs::create_directories(key);
        std::ofstream(key / "installdirectory", std::ios::binary) << bytes;
    }
    fs::path root;
};

TEST_F(RegistryFixture, ViewsAreSeparateDirectories) {
    writeValue("32", "/opt/korvex");
    HKEY key = nullptr;
    EXPECT_EQ(api().RegOpenKeyExA(kHkeyLocalMachine, "Software\\TOLM-lab\\KORVEX", 0, kKeyRead | kKeyWow64_64, &key),
              kErrorFileNotFound);
    EXPECT_EQ(key, nullptr);
    EXPECT_EQ(api().RegOpenKeyExA(kHkeyLocalMachine, "Software\\TOLM-lab\\KORVEX", 0, kKeyRead, &key),
              kErrorFileNotFound);
    ASSERT_EQ(api().RegOpenKeyExA(kHkeyLocalMachine, "Software\\TOLM-lab\\KORVEX", 0, kKeyRead | kKeyWow64_32, &key),
              kErrorSuccess);
    uint8_t data[64] = {};
    uint32_t size = sizeof data;
    EXPECT_EQ(api().RegQueryValueExA(key, "installdirectory", nullptr, nullptr, data, &size), kErrorSuccess);
    EXPECT_EQ(size, 11u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data), size), "/opt/korvex");
    EXPECT_EQ(api().RegQueryValueExA(key, "missing", nullptr, nullptr, data, &size), kErrorFileNotFound);
    api().RegCloseKey(key);
}

TEST_F(RegistryFixture, ValueLargerThanTheBufferIsMoreData) {
    writeValue("64", std::string(40, 'x'));
    HKEY key = nullptr;
    ASSERT_EQ(api().RegOpenKeyExA(kHkeyLocalMachine, "Software\\TOLM-lab\\KORVEX", 0, kKeyRead | kKeyWow64_64, &key),
              kErrorSuccess);
    uint8_t data[16] = {};
    uint32_t size = sizeof data;
    EXPECT_EQ(api().RegQueryValueExA(key, "installdirectory", nullptr, nullptr, data, &size), kErrorMoreData);
    EXPECT_EQ(size, 40u);
    api().RegCloseKey(key);
}

TEST(Platform, MissingLibraryAndSymbolGiveNull) {
    EXPECT_EQ(api().LoadLibraryA("\\nonexistent\\dir\\KORVEX.dll"), nullptr);
    EXPECT_EQ(api().GetProcAddress(nullptr, "main"), nullptr);
}

TEST(Platform, ThreadIdsAreNonzeroAndDistinct) {
    const uint32_t mine = api().GetCurrentThreadId();
    uint32_t other = 0;
    std::thread([&] { other = api().GetCurrentThreadId(); }).join();
    EXPECT_NE(mine, 0u);
    EXPECT_NE(other, 0u);
    EXPECT_NE(mine, other);
    EXPECT_EQ(mine, api().GetCurrentThreadId());
}

TEST(Platform, MutexIsRecursiveForItsOwner) {
    HANDLE mutex = api().CreateMutexA(nullptr, 0, nullptr);
    ASSERT_NE(mutex, nullptr);
    EXPECT_EQ(api().WaitForSingleObject(mutex, kInfinite), 0u);
    EXPECT_EQ(api().WaitForSingleObject(mutex, kInfinite), 0u);
    EXPECT_EQ(api().ReleaseMutex(mutex), 1);
    EXPECT_EQ(api().ReleaseMutex(mutex), 1);
    EXPECT_EQ(api().CloseHandle(mutex), 1);
}

}  // namespace
