// Debian's 3BandEQ (dpf-plugins-vst) editor through the built module, in process and through
// `korvex-host editor`: it opens in the host's window, draws, and closes without leaving anything.
#include <filesystem>
#include <string>
#include <vector>

#include "editor_window.h"
#include "install_folder.h"
#include "simhost/child_process.h"
#include "tools/korvex-host/png_file.h"

namespace {

using editor_testing::EditorWindow;

constexpr char kThreeBandEq[] = "/usr/lib/vst/3BandEQ-vst.so";

class ForeignEditor : public EditorWindow {
protected:
    void SetUp() override {
        EditorWindow::SetUp();
        if (IsSkipped()) return;
        if (!std::filesystem::exists(kThreeBandEq)) GTEST_SKIP() << kThreeBandEq << " is missing: install dpf-plugins-vst";
    }
};

TEST_F(ForeignEditor, ThreeBandEqOpensDrawsAndClosesThroughTheModule) {
    start(kThreeBandEq);
    openEditor();
    const simhost::ViewSize size = editor->viewSize();
    ASSERT_EQ(editor->openWindow(), 0);
    EXPECT_EQ(window().width(), static_cast<int32_t>(size.horizontal));
    EXPECT_EQ(window().height(), static_cast<int32_t>(size.vertical));
    EXPECT_TRUE(tickUntilDrawn(100)) << "3BandEQ drew nothing in its window";
    EXPECT_EQ(editor->detach(), 0);
    EXPECT_EQ(simhost::liveNativeWindows(), 0);
}

TEST_F(ForeignEditor, ThreeBandEqOpenedAndClosedTwentyTimesLeavesNothing) {
    start(kThreeBandEq);
    expectTwentyCyclesLeaveNothing();
}

TEST_F(ForeignEditor, KorvexHostTakesAPictureOfThreeBandEqThroughTheModule) {
    const std::string binary = (testing_support::buildDir() / "korvex-host").string();
    if (!std::filesystem::exists(binary)) GTEST_SKIP() << "korvex-host is not built at " << binary;
    const std::string picture =
        (std::filesystem::temp_directory_path() / "korvex-foreign-editor-test-eq.png").string();
    const simhost::ChildResult run = simhost::runChild(
        {binary, "--vst", kThreeBandEq, "editor", "--ticks", "10", "--screenshot", picture}, 120.0);
    ASSERT_EQ(run.exitCode, 0) << run.summary() << "\n" << run.err;
    EXPECT_NE(run.out.find("closed"), std::string::npos) << run.out;
    EXPECT_TRUE(window_testing::isDrawn(korvex_host::readPng(picture)));
    std::filesystem::remove(picture);
}

}  // namespace
