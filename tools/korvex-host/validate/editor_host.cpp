// Editor cycles through the simulated host's editor object and its native windows.
#include "tools/korvex-host/validate/editor_host.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "acf/result_codes.h"
#include "simhost/native_window.h"
#include "tools/korvex-host/validate/editor_picture.h"
#include "simhost/sim_editor.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/validate/render_run.h"
#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {
namespace {

constexpr int kTicks = 20;
// ERect holds 16-bit coordinates; anything near that is no window a screen shows.
constexpr float kLargest = 8192.0f;

std::string sizeText(const simhost::ViewSize& size) {
    return std::to_string(static_cast<int>(size.horizontal)) + " x " + std::to_string(static_cast<int>(size.vertical));
}

constexpr int kBlockWaitSeconds = 5;

// True once the render thread has finished a block after `seen`, false after kBlockWaitSeconds.
bool awaitBlock(const std::atomic<int64_t>& blocks, int64_t seen) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(kBlockWaitSeconds);
    while (blocks.load() <= seen) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace

// An X server whose last client disconnects resets itself, and refuses connections while it does
// (xvfb-run's server does, between two test processes and between two windows). One small
// window held for the whole check keeps the server from resetting under it; the first one may
// have to wait out a reset the previous test process caused.
std::unique_ptr<simhost::NativeWindow> holdDisplay(std::string* why) {
    constexpr int kAttempts = 40;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (std::unique_ptr<simhost::NativeWindow> window = simhost::NativeWindow::create(1, 1, why)) return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

void runEditorCycles(CheckContext& context, bool whileRendering) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    if (!instance->facts().hasEditor()) {
        context.skip("skipped: the plug-in has no editor (effFlagsHasEditor is clear)");
        return;
    }
    std::string why;
    const std::unique_ptr<simhost::NativeWindow> display = holdDisplay(&why);
    if (!display) {
        context.skip("skipped: " + why);
        return;
    }
    std::atomic<bool> stop{false};
    std::atomic<int64_t> blocks{0};
    SignalWatch watch;
    bool cleanBefore = true;
    {
        Buffers buffers(instance->channels(), 256);
        for (int i = 0; i < 8; ++i) {
            for (int32_t c = 0; c < instance->channels(); ++c)
                for (float& sample : buffers.input(c)) sample = 0.05f;
            instance->render(buffers.in(), buffers.out(), 256);
            watch.add(buffers, 256);
        }
        cleanBefore = watch.problems().empty();
    }
    std::thread renderer;
    if (whileRendering)
        renderer = std::thread([&] {
            Buffers buffers(instance->channels(), 256);
            while (!stop.load()) {
                for (int32_t c = 0; c < instance->channels(); ++c)
                    for (float& sample : buffers.input(c)) sample = 0.05f;
                instance->render(buffers.in(), buffers.out(), 256);
                watch.add(buffers, 256);
                blocks.fetch_add(1);
            }
        });

    const int cycles = context.level() >= 10 ? 10 : 4;
    simhost::ViewSize first{};
    simhost::WindowImage lastPicture;
    const int32_t opensBefore = instance->log().editorOpens.load();
    const int32_t closesBefore = instance->log().editorCloses.load();
    for (int cycle = 0; cycle < cycles && !context.failed(); ++cycle) {
        const std::string which = "opening " + std::to_string(cycle + 1);
        korvex_host::FaultScope scope("opening, idling and closing the editor");
        simhost::SimEditor editor(session.host(), instance->sim());
        if (editor.initializeResult() != kResultSuccess) {
            context.fail(which + ": the editor's Initialize failed with " + simhost::resultText(editor.initializeResult()));
            break;
        }
        // A plug-in's editor is only ever handed a real window; no window here means no test.
        try {
            if (const int32_t result = editor.openWindow(); result != kResultSuccess)
                context.fail(which + ": attaching the window failed with " + simhost::resultText(result));
        } catch (const simhost::NoWindowError& error) {
            stop.store(true);
            if (renderer.joinable()) renderer.join();
            context.skip(std::string("skipped: ") + error.what());
            return;
        }
        if (const simhost::NativeWindow* window = editor.window();
            window && (window->width() != static_cast<int32_t>(editor.viewSize().horizontal) ||
                       window->height() != static_cast<int32_t>(editor.viewSize().vertical)))
            context.note(which + ": the window is " + std::to_string(window->width()) + " x " +
                         std::to_string(window->height()) + ", the editor asks for " + sizeText(editor.viewSize()));
        editor.tick(kTicks);
        // The render thread may not have been scheduled yet on a busy machine: wait for one of its
        // blocks while the editor is open, or the test would not have tested the overlap at all.
        if (whileRendering && !awaitBlock(blocks, blocks.load()))
            context.fail(which + ": no block was rendered in " + std::to_string(kBlockWaitSeconds) +
                         " s while the editor was open");
        const simhost::ViewSize size = editor.viewSize();
        if (size.result != kResultSuccess || !(size.horizontal > 0.0f) || !(size.vertical > 0.0f) ||
            size.horizontal > kLargest || size.vertical > kLargest)
            context.fail(which + ": the editor reports the size " + sizeText(size));
        if (cycle == 0) first = size;
        else if (size.horizontal != first.horizontal || size.vertical != first.vertical)
            context.fail(which + ": the editor reports " + sizeText(size) + ", the first opening " + sizeText(first));
        editor.redraw(0.0f, 0.0f, size.horizontal, size.vertical);
        editor.tick(kTicks);
        if (simhost::NativeWindow* window = editor.window()) lastPicture = capturePicture(*window);
        if (const int32_t result = editor.detach(); result != kResultSuccess)
            context.fail(which + ": detaching the window failed with " + simhost::resultText(result));
    }
    stop.store(true);
    if (renderer.joinable()) renderer.join();

    if (instance->probeIndex() >= 0) {
        const int32_t opens = instance->log().editorOpens.load() - opensBefore;
        const int32_t closes = instance->log().editorCloses.load() - closesBefore;
        if (opens != closes)
            context.fail("the plug-in's editor was opened " + std::to_string(opens) + " times and closed " +
                         std::to_string(closes) + " times");
    }
    if (cleanBefore && !watch.problems().empty())
        context.fail("rendering while the editor opened: " + watch.problems());
    keepPicture(context, lastPicture, "the editor after its last opening, idled and redrawn");
    context.figure("width", first.horizontal);
    context.figure("height", first.vertical);
    if (whileRendering) context.figure("render_calls", static_cast<double>(blocks.load()));
}

}  // namespace korvex_validate
