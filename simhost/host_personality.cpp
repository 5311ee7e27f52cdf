// Personality names, their parsing and the set a run covers.
#include "simhost/host_personality.h"

#include <cstdio>
#include <cstdlib>

namespace simhost {
namespace {

struct Switch {
    const char* name;
    bool HostPersonality::*flag;
};

constexpr Switch kSwitches[] = {
    {"host-lock", &HostPersonality::hostLock},
    {"sync-automation", &HostPersonality::synchronousAutomation},
    {"reinitialize", &HostPersonality::repeatedInitialize},
    {"editor-first", &HostPersonality::editorReleasedFirst},
    {"fresh-threads", &HostPersonality::freshRenderThreads},
    {"failing-packets", &HostPersonality::failingPackets},
    {"flipping-transport", &HostPersonality::flippingTransport},
};

constexpr const char* kVariable = "KORVEX_HOST_PERSONALITY";

}  // namespace

std::string HostPersonality::name() const {
    std::string joined;
    for (const Switch& s : kSwitches) {
        if (!(this->*s.flag)) continue;
        if (!joined.empty()) joined += ',';
        joined += s.name;
    }
    return joined.empty() ? "plain" : joined;
}

bool HostPersonality::operator==(const HostPersonality& other) const {
    for (const Switch& s : kSwitches)
        if (this->*s.flag != other.*s.flag) return false;
    return true;
}

HostPersonality HostPersonality::all() {
    HostPersonality everything;
    for (const Switch& s : kSwitches) everything.*s.flag = true;
    return everything;
}

std::optional<HostPersonality> HostPersonality::parse(const std::string& names, std::string* error) {
    HostPersonality parsed;
    size_t start = 0;
    while (start <= names.size()) {
        const size_t comma = names.find(',', start);
        const std::string word = names.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        start = comma == std::string::npos ? names.size() + 1 : comma + 1;
        if (word.empty() || word == "plain") continue;
        if (word == "all") {
            parsed = all();
            continue;
        }
        bool known = false;
        for (const Switch& s : kSwitches)
            if (word == s.name) {
                parsed.*s.flag = true;
                known = true;
            }
        if (!known) {
            if (error) {
                *error = "unknown host personality \"" + word + "\"; known: plain, all";
                for (const Switch& s : kSwitches) *error += std::string(", ") + s.name;
            }
            return std::nullopt;
        }
    }
    return parsed;
}

HostPersonality HostPersonality::fromEnvironment() {
    const char* text = std::getenv(kVariable);
    if (!text || !*text) return {};
    std::string error;
    const std::optional<HostPersonality> parsed = parse(text, &error);
    if (!parsed) {
        std::fprintf(stderr, "%s: %s\n", kVariable, error.c_str());
        std::exit(2);
    }
    return *parsed;
}

std::vector<HostPersonality> HostPersonality::every() {
    std::vector<HostPersonality> list{HostPersonality{}};
    for (const Switch& s : kSwitches) {
        HostPersonality one;
        one.*s.flag = true;
        list.push_back(one);
    }
    list.push_back(all());
    return list;
}

std::vector<HostPersonality> HostPersonality::forThisRun() {
    const char* text = std::getenv(kVariable);
    if (!text || !*text) return every();
    return {fromEnvironment()};
}

}  // namespace simhost
