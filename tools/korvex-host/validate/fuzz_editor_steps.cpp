// The fuzzer's editor steps: editors opened through the module in real windows, idled, redrawn,
// reopened and closed between the other steps (so parameters are set and blocks rendered while
// they are open), and instances released with their editor still open, as hosts do.
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <memory>
#include <string>

#include "acf/result_codes.h"
#include "simhost/sim_editor.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/validate/editor_host.h"
#include "tools/korvex-host/validate/environment.h"
#include "tools/korvex-host/validate/fuzz_sequence.h"

namespace korvex_validate {
namespace {

// Areas hosts do send: off the window, enormous, not a number. The module must clamp them before
// they reach the plug-in's 16-bit rectangle.
constexpr float kOddExtents[] = {-1.0f, 0.0f, 40000.0f, -1e9f, 1e9f, std::numeric_limits<float>::quiet_NaN()};

std::string sizeText(const simhost::ViewSize& size) {
    char text[64];
    std::snprintf(text, sizeof text, "%g x %g", static_cast<double>(size.horizontal),
                  static_cast<double>(size.vertical));
    return text;
}

}  // namespace

bool FuzzSequence::editorsFuzzed(const Instance& instance) {
    if (editors != Editors::undecided) return editors == Editors::fuzzed;
    editors = Editors::notFuzzed;
    if (!instance.facts().hasEditor()) {
        say("no editor steps: the plug-in has no editor (effFlagsHasEditor is clear)");
        editors = Editors::noEditor;
    } else if (const std::string why = windowUnavailableReason(); !why.empty()) {
        say("no editor steps: " + why);
    } else {
        editors = Editors::fuzzed;
    }
    return editors == Editors::fuzzed;
}

bool FuzzSequence::editorStep(Live& live) {
    if (!live.editor) {
        if (pick(4) == 0) openAndCloseRepeatedly(live);
        else openEditor(live);
        return true;
    }
    simhost::SimEditor& editor = *live.editor;
    switch (pick(7)) {
    case 0: case 1: {
        const int32_t ticks = 1 + static_cast<int32_t>(pick(30));
        say("idle the editor of " + instanceName(live) + ": " + std::to_string(ticks) + " timer ticks");
        korvex_host::FaultScope scope("idling the editor");
        editor.tick(ticks);
        break;
    }
    case 2: {
        const simhost::ViewSize size = editor.viewSize();
        float area[4] = {0.0f, 0.0f, size.vertical, size.horizontal};  // top, left, height, width
        const size_t kind = pick(3);
        if (kind == 1) {
            area[0] = static_cast<float>(context.uniform(0.0, size.vertical));
            area[1] = static_cast<float>(context.uniform(0.0, size.horizontal));
            area[2] = static_cast<float>(context.uniform(0.0, size.vertical - area[0]));
            area[3] = static_cast<float>(context.uniform(0.0, size.horizontal - area[1]));
        } else if (kind == 2) {
            for (float& extent : area) extent = kOddExtents[pick(std::size(kOddExtents))];
        }
        char line[160];
        std::snprintf(line, sizeof line, "redraw the editor of %s: top %g, left %g, height %g, width %g",
                      instanceName(live).c_str(), static_cast<double>(area[0]), static_cast<double>(area[1]),
                      static_cast<double>(area[2]), static_cast<double>(area[3]));
        say(line);
        korvex_host::FaultScope scope("redrawing the editor");
        editor.redraw(area[0], area[1], area[3], area[2]);
        break;
    }
    case 3: {
        say("open the editor of " + instanceName(live) + " in a fresh window (the view is closed first)");
        korvex_host::FaultScope scope("reopening the editor in a fresh window");
        try {
            if (const int32_t result = editor.openWindow(); result != kResultSuccess)
                context.fail("step " + std::to_string(step) + ": attaching a fresh window failed with " +
                             simhost::resultText(result));
        } catch (const simhost::NoWindowError& error) {
            say(std::string("no more editor steps: ") + error.what());
            editors = Editors::notFuzzed;
            closeEditor(live);
            break;
        }
        ++editorsOpened;
        break;
    }
    case 4: closeEditor(live); break;
    case 5: releaseWithEditorOpen(static_cast<size_t>(&live - alive.data())); return false;
    default: say("ask the size of the editor of " + instanceName(live) + ": " + sizeText(editor.viewSize())); break;
    }
    return true;
}

bool FuzzSequence::openEditor(Live& live) {
    // Held from the first editor on: the X server then never resets between two editors.
    if (!display) {
        std::string why;
        display = holdDisplay(&why);
        if (!display) {
            say("no more editor steps: " + why);
            editors = Editors::notFuzzed;
            windowRefused = true;
            return false;
        }
    }
    say("open the editor of " + instanceName(live));
    korvex_host::FaultScope scope("opening the editor");
    auto editor = std::make_unique<simhost::SimEditor>(session.host(), live.instance->sim());
    if (editor->initializeResult() != kResultSuccess) {
        context.fail("step " + std::to_string(step) + ": the editor's Initialize failed with " +
                     simhost::resultText(editor->initializeResult()));
        return false;
    }
    try {
        if (const int32_t result = editor->openWindow(); result != kResultSuccess) {
            context.fail("step " + std::to_string(step) + ": attaching the window failed with " +
                         simhost::resultText(result));
            return false;
        }
    } catch (const simhost::NoWindowError& error) {
        say(std::string("no more editor steps: ") + error.what());
        editors = Editors::notFuzzed;
        windowRefused = true;
        return false;
    }
    ++editorsOpened;
    say("   the editor is " + sizeText(editor->viewSize()));
    live.editor = std::move(editor);
    return true;
}

void FuzzSequence::openAndCloseRepeatedly(Live& live) {
    const int times = 2 + static_cast<int>(pick(4));
    say("open and close the editor of " + instanceName(live) + " " + std::to_string(times) + " times");
    for (int i = 0; i < times && !context.failed(); ++i) {
        if (!openEditor(live)) return;
        const int32_t ticks = static_cast<int32_t>(pick(4));
        say("idle it: " + std::to_string(ticks) + " timer ticks");
        {
            korvex_host::FaultScope scope("idling the editor");
            live.editor->tick(ticks);
        }
        closeEditor(live);
    }
}

void FuzzSequence::closeEditor(Live& live) {
    say("close the editor of " + instanceName(live));
    {
        korvex_host::FaultScope scope("closing the editor");
        if (const int32_t result = live.editor->detach(); result != kResultSuccess)
            context.fail("step " + std::to_string(step) + ": detaching the window failed with " +
                         simhost::resultText(result));
        live.editor.reset();
    }
    checkEditorClosed(live.instance->log(), instanceName(live));
}

void FuzzSequence::releaseWithEditorOpen(size_t which) {
    Live& live = alive[which];
    std::unique_ptr<simhost::SimEditor> editor = std::move(live.editor);
    // The probe keeps a log after its instance closed; this one outlives the release.
    const probe::InstanceLog& log = live.instance->log();
    say("release instance " + std::to_string(which) + " with its editor open");
    alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(which));
    const int32_t ticks = static_cast<int32_t>(pick(8));
    say("idle the released instance's editor: " + std::to_string(ticks) + " timer ticks; close it");
    {
        korvex_host::FaultScope scope("idling and closing the editor of a released instance");
        editor->tick(ticks);
        if (const int32_t result = editor->detach(); result != kResultSuccess)
            context.fail("step " + std::to_string(step) + ": detaching the released instance's window failed with " +
                         simhost::resultText(result));
        editor.reset();
    }
    checkEditorClosed(log, "the released instance");
}

void FuzzSequence::checkEditorClosed(const probe::InstanceLog& log, const std::string& what) {
    const int32_t opens = log.editorOpens.load();
    const int32_t closes = log.editorCloses.load();
    if (opens != closes)
        context.fail("step " + std::to_string(step) + ": the plug-in's editor of " + what + " was opened " +
                     std::to_string(opens) + " times and closed " + std::to_string(closes) + " times");
}

}  // namespace korvex_validate
