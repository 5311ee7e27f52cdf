// Child processes: how a child ended, what it wrote, and that a hanging one is ended on time.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

#include "simhost/child_process.h"
#include "process_environment.h"

namespace {

std::string program() { return std::string(KORVEX_CHILD_PROGRAM); }

// Text as written, less the carriage returns a Windows program's text-mode streams put before
// each line end.
std::string text(std::string written) {
    for (size_t at = written.find("\r\n"); at != std::string::npos; at = written.find("\r\n", at))
        written.erase(at, 1);
    return written;
}

TEST(ChildProcess, ReportsTheExitCodeAndBothStreams) {
    const simhost::ChildResult result = simhost::runChild({program(), "echo", "one", "two words", "\"quoted\""}, 30);
    ASSERT_TRUE(result.started) << result.failure;
    EXPECT_TRUE(result.exited);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(text(result.out), "one\ntwo words\n\"quoted\"\n");
    EXPECT_EQ(text(result.err), "done\n");

    const simhost::ChildResult failed = simhost::runChild({program(), "exit", "3"}, 30);
    EXPECT_TRUE(failed.exited);
    EXPECT_EQ(failed.exitCode, 3);
    EXPECT_EQ(failed.summary(), "exit code 3");
}

TEST(ChildProcess, CollectsMoreOutputThanAPipeHolds) {
    const simhost::ChildResult result = simhost::runChild({program(), "flood"}, 60);
    EXPECT_EQ(result.out.size(), 2000000u);
    EXPECT_EQ(result.err.size(), 2000000u);
}

TEST(ChildProcess, ACrashIsAFaultNotAnExit) {
    const simhost::ChildResult result = simhost::runChild({program(), "crash"}, 30);
    ASSERT_TRUE(result.started);
    EXPECT_TRUE(result.crashed) << result.summary();
    EXPECT_FALSE(result.exited);
    EXPECT_NE(result.summary().find("crashed"), std::string::npos);
}

TEST(ChildProcess, AHangingChildIsEndedAtItsTimeOut) {
    const simhost::ChildResult result = simhost::runChild({program(), "hang"}, 0.5);
    EXPECT_TRUE(result.timedOut);
    EXPECT_LT(result.seconds, 20.0);
}

// A child gets its standard streams and nothing else of this process: a file open here while it
// starts (the C runtime opens files inheritable on Windows) can be replaced as soon as it is
// closed, though the child still runs; a child holding it would keep the system from that.
TEST(ChildProcess, AFileOpenWhileAChildStartsIsFreeOnceClosedHere) {
    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("korvex-child-process-test-" + std::to_string(testing_support::processId()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path marker = folder / "started";
    std::ofstream report(folder / "report.tmp");
    report << "written while a child starts";
    simhost::ChildResult child;
    std::thread running([&] { child = simhost::runChild({program(), "mark", marker.string(), "3"}, 60); });
    // The child runs from the moment its mark is there.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!fs::exists(marker) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    report.close();
    std::error_code replaced, removed;
    fs::rename(folder / "report.tmp", folder / "report.json", replaced);
    fs::remove(folder / "report.json", removed);
    running.join();
    EXPECT_TRUE(fs::exists(marker)) << "the child never ran";
    EXPECT_FALSE(replaced) << replaced.message();
    EXPECT_FALSE(removed) << removed.message();
    EXPECT_TRUE(child.exited) << child.summary();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

// Children started on two threads at once end on their own: short ones started beside a long
// one come back while it still runs, not when it ends (as they would if it held their pipes).
TEST(ChildProcess, ChildrenStartedAtOnceEndEachOnItsOwn) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const auto since = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
    double longEnded = 0.0;
    std::thread slow([&] {
        simhost::runChild({program(), "mark", "", "6"}, 60);
        longEnded = since();
    });
    double shortEnded = 0.0;
    for (int i = 0; i < 4; ++i) {
        const simhost::ChildResult quick = simhost::runChild({program(), "echo", std::to_string(i)}, 60);
        EXPECT_EQ(text(quick.out), std::to_string(i) + "\n");
        shortEnded = since();
    }
    slow.join();
    EXPECT_LT(shortEnded, longEnded) << "seconds from the start until the short children and the long one ended";
}

TEST(ChildProcess, AMissingProgramDoesNotStart) {
    const simhost::ChildResult result = simhost::runChild({program() + "-missing"}, 5);
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.failure.empty());
}

}  // namespace
