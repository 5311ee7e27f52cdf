// The validator's Windows blocking-call watch: a library's watched imports pass through thunks
// that note the call on the watching thread only and leave every argument, result and error code
// as the call made them; the first call's stack starts in that library, named.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <thread>

#include "install_folder.h"
#include "tools/korvex-host/validate/blocking_calls.h"

namespace {

using namespace korvex_validate;
namespace fs = std::filesystem;

struct BlockingCallResults {
    DWORD written;
    DWORD missingError;
    DWORD waitResult;
    int printed;
};
using CallsProc = void (*)(const wchar_t*, const wchar_t*, double, BlockingCallResults*);

class BlockingCallsWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path library = testing_support::pluginFile("blocking_watch_library");
        module = LoadLibraryW(library.wstring().c_str());
        ASSERT_NE(module, nullptr) << library;
        calls = reinterpret_cast<CallsProc>(reinterpret_cast<void*>(GetProcAddress(module, "korvexBlockingCalls")));
        ASSERT_NE(calls, nullptr);
        folder = fs::temp_directory_path() / ("korvex-blocking-" + std::to_string(GetCurrentProcessId()));
        fs::create_directories(folder);
    }
    void TearDown() override {
        endBlockingWatch();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    BlockingCallResults run() {
        BlockingCallResults results{};
        calls((folder / "out.txt").wstring().c_str(), (folder / "missing.txt").wstring().c_str(), 1.5, &results);
        return results;
    }

    std::string written() {
        std::ifstream in(folder / "out.txt", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    HMODULE module = nullptr;
    CallsProc calls = nullptr;
    fs::path folder;
};

TEST_F(BlockingCallsWin32, WatchedCallsAreNotedAndBehaveAsUnwatched) {
    ASSERT_TRUE(blockingWatchAvailable());
    beginBlockingWatch();
    const BlockingCallResults results = run();
    const BlockingCalls seen = endBlockingWatch();

    // Arguments on the stack, in registers and a double in a variadic call all arrived.
    EXPECT_EQ(results.written, 7u);
    EXPECT_EQ(results.missingError, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(results.waitResult, static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(results.printed, 12);
    EXPECT_EQ(written(), "written 1.500 7 end");

    std::set<std::string> functions;
    for (const BlockingFunction& function : seen.functions)
        if (function.name) functions.insert(function.name);
    for (const char* name : {"CreateFileW", "WriteFile", "WaitForSingleObject", "Sleep"})
        EXPECT_TRUE(functions.count(name)) << name;
    EXPECT_GE(seen.calls, 9u);
    EXPECT_GE(seen.byKind[static_cast<int>(BlockingKind::File)], 4u);
    EXPECT_EQ(seen.byKind[static_cast<int>(BlockingKind::Wait)], 1u);
    EXPECT_EQ(seen.byKind[static_cast<int>(BlockingKind::Sleep)], 1u);
    EXPECT_STREQ(seen.firstFunction, "CreateFileW");
    EXPECT_FALSE(seen.firstInPlugin);

    // Where it happened: the first frame is the library's function, by its name.
    const std::vector<std::string> stack = describeStack(seen.firstStack, seen.firstDepth);
    ASSERT_FALSE(stack.empty());
    EXPECT_NE(stack[0].find("korvexBlockingCalls"), std::string::npos) << stack[0];
    EXPECT_NE(stack[0].find("blocking_watch_library"), std::string::npos) << stack[0];
}

TEST_F(BlockingCallsWin32, OnlyTheWatchingThreadIsWatchedAndPlugInCallsAreToldApart) {
    beginBlockingWatch();
    BlockingCallResults elsewhere{};
    std::thread other([&] {
        calls((folder / "out.txt").wstring().c_str(), (folder / "missing.txt").wstring().c_str(), 2.0, &elsewhere);
    });
    other.join();
    EXPECT_EQ(elsewhere.written, 7u);
    EXPECT_EQ(endBlockingWatch().calls, 0u);

    beginBlockingWatch();
    enterPluginBlockingScope();
    run();
    leavePluginBlockingScope();
    const BlockingCalls seen = endBlockingWatch();
    EXPECT_GT(seen.calls, 0u);
    EXPECT_EQ(seen.pluginCalls, seen.calls);
    EXPECT_TRUE(seen.firstInPlugin);

    // After the watch, the calls still work and count nowhere.
    EXPECT_EQ(run().written, 7u);
}

}  // namespace
