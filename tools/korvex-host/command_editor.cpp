// `korvex-host editor`: opens the wrapped plug-in's editor in a simulated window, ticks it as a
// host's timer would, prints the size it reports and closes it again.
#include <CLI/CLI.hpp>

#include <cstdint>
#include <iostream>

#include "acf/result_codes.h"
#include "simhost/sim_editor.h"
#include "tools/korvex-host/commands.h"
#include "tools/korvex-host/effect_session.h"
#include "tools/korvex-host/fault_report.h"

namespace {

// Roughly a second and a half of a host's editor timer.
constexpr int32_t kDefaultTicks = 50;

void printSize(std::ostream& out, const char* when, const simhost::ViewSize& size) {
    out << "view size " << when << ": " << size.vertical << " x " << size.horizontal
        << " (vertical x horizontal)\n";
}

}  // namespace

void addEditorCommand(CLI::App& app) {
    auto* command = app.add_subcommand("editor", "open the plug-in's editor in a simulated window, tick it, close it");
    static int32_t ticks = kDefaultTicks;
    command->add_option("--ticks", ticks, "timer ticks while the editor is open")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
    command->callback([] {
        korvex_host::installFaultReport("editor");
        korvex_host::EffectSession session(simhost::InstanceOptions{});
        // Declared after the session: the host lets the editor go before the instance.
        korvex_host::FaultScope scope("the plug-in's editor calls, through the module's editor");
        simhost::SimEditor editor(session.simHost(), session.instance());
        if (editor.initializeResult() != kResultSuccess)
            throw simhost::HostError("the editor's Initialize failed with " +
                                     simhost::resultText(editor.initializeResult()));
        std::cout << "plug-in: " << session.libraryPath() << "\n";
        printSize(std::cout, "before opening", editor.viewSize());

        if (const int32_t result = editor.openWindow(); result != kResultSuccess)
            throw simhost::HostError("attaching the window failed with " + simhost::resultText(result));
        std::cout << "opened in native window " << editor.window()->handle() << "\n";
        const int32_t answered = editor.tick(ticks);
        std::cout << "ticks: " << answered << " of " << ticks << " answered 0\n";
        printSize(std::cout, "while open", editor.viewSize());

        if (const int32_t result = editor.detach(); result != kResultSuccess)
            throw simhost::HostError("detaching the window failed with " + simhost::resultText(result));
        std::cout << "closed\n";
    });
}
