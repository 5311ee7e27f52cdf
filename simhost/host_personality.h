// The ways real hosts drive a module that the plain simulated host does not: each a switch, so a
// test or a whole run (KORVEX_HOST_PERSONALITY=name[,name]) can take on any mix of them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace simhost {

struct HostPersonality {
    // "host-lock": one recursive lock of the host's own, held around every main-thread call into
    // the module and taken by its services (sample rate, packets, automation, transport) on
    // whatever thread calls them; a plug-in thread asking while main is inside the module waits.
    bool hostLock = false;
    // "sync-automation": a set-value request is answered inside the call that made it, on that
    // thread, by UpdateParameterNormalizedValue, instead of later on the main thread.
    bool synchronousAutomation = false;
    // "reinitialize": Initialize again, without Uninitialize, on a live instance that is rendering.
    bool repeatedInitialize = false;
    // "editor-first": the editor is uninitialised before its view is detached, or released without
    // ever being detached; the view container is the module's alone once handed over and destroys
    // its window with its last reference.
    bool editorReleasedFirst = false;
    // "fresh-threads": every render call runs on a thread started for it.
    bool freshRenderThreads = false;
    // "failing-packets": each data-port field takes its first packet; every later post fails.
    bool failingPackets = false;
    // "flipping-transport": the transport reports playing and stopped in turn, call by call.
    bool flippingTransport = false;

    // Names joined by ',' in the order above; "plain" when no switch is on.
    std::string name() const;
    bool operator==(const HostPersonality& other) const;
    bool operator!=(const HostPersonality& other) const { return !(*this == other); }

    // "name[,name]", each a name above, "plain" or "all"; empty when a name is unknown (*error
    // then says which). An empty text is plain.
    static std::optional<HostPersonality> parse(const std::string& names, std::string* error = nullptr);
    // KORVEX_HOST_PERSONALITY, plain when it is unset or empty. A name it does not know ends the
    // process with a message: a run meant for one host must not quietly test another.
    static HostPersonality fromEnvironment();
    // Plain, each switch alone, then all of them together.
    static std::vector<HostPersonality> every();
    // The personalities a run covers: those KORVEX_HOST_PERSONALITY names (one), else every().
    static std::vector<HostPersonality> forThisRun();
    static HostPersonality all();
};

}  // namespace simhost
