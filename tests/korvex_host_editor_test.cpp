// `korvex-host editor` as a user runs it: pictures of the reference editor, values set from the
// command line, and one line (never a crash) when it cannot work.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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
        binary = (buildDir() / (std::string("korvex-host") + simhost::executableSuffix())).string();
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

// Every parameter set at once, each to another value (stepped ones on a step): in the picture every
// bar is filled exactly as far as its value reaches, on X11 and on Win32 alike.
TEST_F(KorvexHostEditor, EveryBarShowsTheValueSet) {
    KORVEX_REQUIRE_DISPLAY();
    std::vector<std::string> arguments{"editor", "--ticks", "2", "--screenshot", path("values.png")};
    float values[reference::kParamCount];
    for (int32_t i = 0; i < reference::kParamCount; ++i) {
        const reference::ParamInfo& info = reference::paramInfo(i);
        values[i] = info.defaultValue;
        if (!info.automatable) continue;  // the host has no such parameter: its bar keeps the default
        values[i] = info.steps > 1 ? static_cast<float>((i * 3 + 1) % info.steps) / static_cast<float>(info.steps - 1)
                                   : static_cast<float>(i + 1) / static_cast<float>(reference::kParamCount + 2);
        char setting[64];
        std::snprintf(setting, sizeof setting, "%s=%.9g", info.id, static_cast<double>(values[i]));
        arguments.insert(arguments.end(), {"--set", setting});
    }
    const simhost::ChildResult shot = run(arguments);
    ASSERT_EQ(shot.exitCode, 0) << shot.summary() << "\n" << shot.err;
    const simhost::WindowImage image = korvex_host::readPng(path("values.png"));
    ASSERT_EQ(image.width, reference::kEditorWidth);
    ASSERT_EQ(image.height, reference::kEditorHeight);
    for (int32_t i = 0; i < reference::kParamCount; ++i) {
        const reference::Box bar = reference::barBox(i);
        const int32_t middle = bar.y + bar.height / 2;
        int32_t filled = 0;
        while (filled < bar.width && image.pixel(bar.x + filled, middle) == reference::kFillColour) ++filled;
        int32_t track = 0;
        while (filled + track < bar.width && image.pixel(bar.x + filled + track, middle) == reference::kTrackColour)
            ++track;
        EXPECT_EQ(filled, reference::filledWidth(values[i])) << reference::paramInfo(i).id << " set to " << values[i];
        EXPECT_EQ(filled + track, bar.width) << reference::paramInfo(i).id << ": the rest of the bar is its track";
    }
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
        run({"--vst", testing_support::pluginFile("editorcrash").string(), "editor", "--ticks", "1"});
    expectOneErrorLine(result, "the plug-in crashed during opening the editor");
    // The system's name of the fault: a signal on POSIX, the access violation's code on Windows.
    EXPECT_TRUE(result.err.find("SIGSEGV") != std::string::npos ||
                result.err.find("exception 0xC0000005") != std::string::npos)
        << result.err;
}

TEST_F(KorvexHostEditor, AScreenshotThatCannotBeWrittenIsOneLine) {
    KORVEX_REQUIRE_DISPLAY();
    expectOneErrorLine(run({"editor", "--ticks", "1", "--screenshot", path("missing/folder/shot.png")}),
                       "cannot write");
    expectOneErrorLine(run({"editor", "--set", "no_such_id=0.5"}), "no_such_id");
}

}  // namespace
