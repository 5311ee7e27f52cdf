// Child processes: how a child ended, what it wrote, and that a hanging one is ended on time.
#include <gtest/gtest.h>

#include <string>

#include "simhost/child_process.h"

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

TEST(ChildProcess, AMissingProgramDoesNotStart) {
    const simhost::ChildResult result = simhost::runChild({program() + "-missing"}, 5);
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.failure.empty());
}

}  // namespace
