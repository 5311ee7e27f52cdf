// `korvex-host editor` as a user runs it: pictures of the reference editor, values set from the
// command line, and one line (never a crash) when it cannot work.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "install_folder.h"
#include "plugins/reference/editor_layout.h"
#include "plugins/reference/parameters.h"
#include "simhost/child_process.h"
#include "tools/korvex-host/png_file.h"
#include "virtual_display.h"
#include "window_pictures.h"

namespace {

namespace fs = std::filesystem;
using testing_support::buildDir;

class KorvexHostEditor : public ::testing::Test {
protected:
    void SetUp() override {
        binary = (buildDir() / "korvex-host").string();
        if (!fs::exists(binary)) GTEST_SKIP() << "korvex-host is not built at " << binary;
        scratch = fs::temp_directory_path() / ("korvex-host-editor-test-" +
                                               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(scratch);
        fs::create_directories(scratch);
    }
    void TearDown() override {
        std::error_code ignored;
        if (!scratch.empty()) fs::remove_all(scratch, ignored);
    }

    simhost::ChildResult run(std::vector<std::string> arguments) const {
        arguments.insert(arguments.begin(), binary);
        return simhost::runChild(arguments, 120.0);
    }
    std::string path(const std::string& name) const { return (scratch / name).string(); }

    static void expectOneErrorLine(const simhost::ChildResult& run, const std::string& expected) {
        EXPECT_TRUE(run.exited) << run.summary();
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.rfind("korvex-host: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
    }

    std::string binary;
    fs::path scratch;
};

// The only pixels that change are those of the parameter that was set: its bar and its value.
TEST_F(KorvexHostEditor, ASetValueChangesThePictureInThatParametersRowOnly) {
    KORVEX_REQUIRE_DISPLAY();
    const simhost::ChildResult plain = run({"editor", "--ticks", "2", "--screenshot", path("plain.png")});
    ASSERT_EQ(plain.exitCode, 0) << plain.summary() << "\n" << plain.err;
    const simhost::ChildResult set =
        run({"editor", "--ticks", "2", "--set", "cutoff=0.1", "--screenshot", path("set.png")});
    ASSERT_EQ(set.exitCode, 0) << set.summary() << "\n" << set.err;
    EXPECT_NE(set.out.find("screenshot: " + path("set.png")), std::string::npos) << set.out;

    const simhost::WindowImage before = korvex_host::readPng(path("plain.png"));
    const simhost::WindowImage after = korvex_host::readPng(path("set.png"));
    ASSERT_EQ(before.width, reference::kEditorWidth);
    ASSERT_EQ(before.height, reference::kEditorHeight);
    ASSERT_EQ(after.width, before.width);
    ASSERT_EQ(after.height, before.height);
    EXPECT_EQ(window_testing::differences(before, after, reference::rowBox(reference::kCutoff)).outside, 0);
    EXPECT_GT(window_testing::differences(before, after, reference::barBox(reference::kCutoff)).inside, 0);
}

TEST_F(KorvexHostEditor, WithoutADisplayItSaysHowToGetOneInOneLine) {
    display_testing::NoDisplay none;
    if (!none.active()) GTEST_SKIP() << "this system always has a display";
    const simhost::ChildResult result = run({"editor", "--screenshot", path("none.png")});
    expectOneErrorLine(result, "set DISPLAY or run under xvfb-run");
    EXPECT_TRUE(result.out.empty()) << result.out;
    EXPECT_FALSE(fs::exists(path("none.png")));
}

TEST_F(KorvexHostEditor, APluginThatCrashesInItsEditorEndsInOneLine) {
    KORVEX_REQUIRE_DISPLAY();
    const simhost::ChildResult result =
        run({"--vst", (buildDir() / "plugins" / "editorcrash.so").string(), "editor", "--ticks", "1"});
    expectOneErrorLine(result, "the plug-in crashed during opening the editor");
    EXPECT_NE(result.err.find("SIGSEGV"), std::string::npos) << result.err;
}

TEST_F(KorvexHostEditor, AScreenshotThatCannotBeWrittenIsOneLine) {
    KORVEX_REQUIRE_DISPLAY();
    expectOneErrorLine(run({"editor", "--ticks", "1", "--screenshot", path("missing/folder/shot.png")}),
                       "cannot write");
    expectOneErrorLine(run({"editor", "--set", "no_such_id=0.5"}), "no_such_id");
}

}  // namespace
