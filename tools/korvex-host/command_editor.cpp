// `korvex-host editor`: opens the wrapped plug-in's editor in a real window, delivers values,
// ticks it as a host's timer would, saves a picture of the window and closes it again. The editor
// runs in a child process of the tool, so a plug-in that crashes there ends with one line.
#include <CLI/CLI.hpp>

#include <cctype>
#include <chrono>
#include <filesystem>
#include <cstdio>
#include <cstdint>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "acf/result_codes.h"
#include "vst/vst_types.h"
#include "simhost/child_process.h"
#include "simhost/direct_vst_host.h"
#include "simhost/sim_editor.h"
#include "tools/korvex-host/commands.h"
#include "tools/korvex-host/effect_session.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/output_file.h"
#include "tools/korvex-host/png_file.h"

namespace {

// Roughly a second and a half of a host's editor timer.
constexpr int32_t kDefaultTicks = 50;
// The host's timer: editors that draw from their idle call get the time a host would give them.
constexpr std::chrono::milliseconds kTickInterval{30};
// Beyond the ticks themselves: loading the plug-in, opening and closing its editor.
constexpr double kChildTimeLimitSeconds = 60.0;

struct EditorOptions {
    int32_t ticks = kDefaultTicks;
    std::vector<std::string> settings;
    std::string screenshot;
    bool inProcess = false;
};

// Width first, as the window and the screenshot say it.
void printSize(std::ostream& out, const char* when, const simhost::ViewSize& size) {
    out << "view size " << when << ": " << size.horizontal << " x " << size.vertical << " (width x height)\n";
}

// Pictures are PNG only; a file named otherwise would hold a PNG under a misleading name.
void checkScreenshotPath(const std::string& path) {
    if (path.empty()) return;
    std::string suffix = std::filesystem::path(path).extension().string();
    for (char& c : suffix) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (suffix != ".png")
        throw std::runtime_error("--screenshot " + path + ": pictures are written as PNG only; name the file *.png");
    korvex_host::checkOutputPath(path, "screenshot");
}

// A plug-in without an editor gets an empty window from the module; saying so is more useful.
void requireEditor(const std::string& library) {
    simhost::DirectVstHost probe;
    if (!probe.load(library)) return;
    if (!(probe.effect()->flags & effFlagsHasEditor))
        throw std::runtime_error("editor: the plug-in has no editor (effFlagsHasEditor is clear)");
}

void check(int32_t result, const char* what) {
    if (result != kResultSuccess) throw simhost::HostError(std::string(what) + " failed with " + simhost::resultText(result));
}

// The work itself, in the child process.
void runEditor(const EditorOptions& options) {
    korvex_host::installFaultReport("editor");
    std::optional<korvex_host::FaultScope> loading(std::in_place, "loading the plug-in");
    korvex_host::EffectSession session(simhost::InstanceOptions{});
    requireEditor(session.libraryPath());
    // Unknown IDs are refused before a window opens; the values themselves come once it is open.
    for (const std::string& setting : options.settings) {
        const korvex_host::ParameterSetting parsed = korvex_host::parseSetting(setting);
        if (!session.instance().findParameter(parsed.id))
            throw std::runtime_error("unknown parameter ID '" + parsed.id + "' (korvex-host params lists them)");
    }
    // Declared after the session: the host lets the editor go before the instance.
    simhost::SimEditor editor(session.simHost(), session.instance());
    loading.reset();
    check(editor.initializeResult(), "the editor's Initialize");
    const simhost::ViewSize before = editor.viewSize();
    {
        korvex_host::FaultScope opening("opening the editor");
        // Without a window system this is the one line the command prints.
        check(editor.openWindow(), "attaching the window");
    }
    std::cout << "plug-in: " << session.libraryPath() << "\n";
    printSize(std::cout, "before opening", before);
    std::cout << "opened in native window " << editor.window()->handle() << " (" << editor.window()->width()
              << " x " << editor.window()->height() << " pixels)\n";
    {
        korvex_host::FaultScope delivering("delivering the values");
        korvex_host::applySettings(session.instance(), options.settings);
    }

    int32_t answered = 0;
    {
        korvex_host::FaultScope idling("the editor's idle call");
        for (int32_t i = 0; i < options.ticks; ++i) {
            if (i > 0) std::this_thread::sleep_for(kTickInterval);
            answered += editor.tick(1);
        }
    }
    std::cout << "ticks: " << answered << " of " << options.ticks << " answered 0\n";
    printSize(std::cout, "while open", editor.viewSize());

    if (!options.screenshot.empty()) {
        const simhost::WindowImage picture = editor.window()->capture();
        korvex_host::PendingOutput file(options.screenshot, "screenshot");
        korvex_host::writePng(file.temporaryPath(), picture);
        file.commit();
        std::cout << "screenshot: " << options.screenshot << " (" << picture.width << " x " << picture.height << ")\n";
    }

    korvex_host::FaultScope closing("closing the editor");
    check(editor.detach(), "detaching the window");
    std::cout << "closed\n";
}

// The parent: the same command again as a child, whose output becomes ours.
void runInChild(const EditorOptions& options) {
    korvex_host::installFaultReport("editor");
    checkScreenshotPath(options.screenshot);
    for (const std::string& setting : options.settings) korvex_host::parseSetting(setting);
    const HostOptions& host = hostOptions();
    std::vector<std::string> argv{simhost::currentExecutable(), "--module", host.modulePath};
    if (!host.vstPath.empty()) argv.insert(argv.end(), {"--vst", host.vstPath});
    if (host.installed) argv.emplace_back("--installed");
    argv.insert(argv.end(), {"editor", "--in-process", "--ticks", std::to_string(options.ticks)});
    for (const std::string& setting : options.settings) argv.insert(argv.end(), {"--set", setting});
    if (!options.screenshot.empty()) argv.insert(argv.end(), {"--screenshot", options.screenshot});

    const double limit =
        kChildTimeLimitSeconds + options.ticks * std::chrono::duration<double>(kTickInterval).count();
    const simhost::ChildResult child = simhost::runChild(argv, limit);
    std::cout << child.out << std::flush;
    std::cerr << child.err << std::flush;
    if (!child.started) throw std::runtime_error("cannot run the editor: " + child.failure);
    if (child.timedOut) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.0f s", limit);
        throw std::runtime_error(std::string("editor: the plug-in's editor did not close within ") + seconds);
    }
    if (child.crashed) throw std::runtime_error("editor: the plug-in crashed (" + child.fault + ")");
    // The child said why on its own; one line is enough.
    if (child.exitCode != 0) throw CLI::RuntimeError(child.exitCode);
}

}  // namespace

void addEditorCommand(CLI::App& app) {
    auto* command = app.add_subcommand("editor", "open the plug-in's editor in a window, tick it, save a picture, close it");
    static EditorOptions options;
    command->add_option("--ticks", options.ticks, "timer ticks while the editor is open, 30 ms apart")
        ->check(CLI::Range(0, 100000))
        ->capture_default_str();
    command->add_option("--set", options.settings,
                        "ID=VALUE: a normalized value delivered once the editor is open (several: a=1,b=0.5)")
        ->delimiter(',');
    command->add_option("--screenshot", options.screenshot, "PNG file for a picture of the window after the ticks");
    // The child's side of the command; not for people.
    command->add_flag("--in-process", options.inProcess)->group("");
    command->callback([] {
        if (options.inProcess) runEditor(options);
        else runInChild(options);
    });
}
