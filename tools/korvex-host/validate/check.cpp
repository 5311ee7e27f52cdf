// The context a check runs in: its seed, its findings and the session it makes on demand.
#include "tools/korvex-host/validate/check.h"

#include "tools/korvex-host/validate/fuzz.h"
#include <filesystem>
#include <fstream>

#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {
namespace {

// Enough to see a pattern; a check that fails on every one of thousands of points says so once.
constexpr size_t kMaxMessages = 24;

}  // namespace

const char* statusName(Status status) {
    switch (status) {
    case Status::Passed: return "passed";
    case Status::Failed: return "failed";
    case Status::Skipped: return "skipped";
    case Status::Warned: return "warned";
    }
    return "unknown";
}

bool needsAttention(const CheckResult& result) {
    return result.status != Status::Passed && result.status != Status::Skipped;
}

std::string needsText(uint32_t needs) {
    std::string text;
    const auto add = [&text](const char* word) { text += (text.empty() ? "" : ", ") + std::string(word); };
    if (needs & kNeedsWindow) add("window");
    if (needs & kNeedsThreads) add("threads");
    if (needs & kNeedsSynth) add("synth");
    if (needs & kNeedsAlone) add("alone");
    return text.empty() ? "-" : text;
}

CheckContext::CheckContext(const ValidateOptions& options, uint64_t seed, CheckResult& into)
    : settings(options), result(into), generator(seed) {
    result.seed = seed;
}

CheckContext::~CheckContext() = default;

double CheckContext::uniform(double low, double high) {
    return std::uniform_real_distribution<double>(low, high)(generator);
}

void CheckContext::add(const std::string& message) {
    if (result.messages.size() < kMaxMessages) {
        result.messages.push_back(message);
        return;
    }
    ++dropped;
}

void CheckContext::fail(const std::string& message) {
    result.status = Status::Failed;
    add(message);
}

void CheckContext::note(const std::string& message) { add("note: " + message); }

void CheckContext::warn(const std::string& message) {
    if (result.status == Status::Passed) result.status = Status::Warned;
    add("warning: " + message);
}

void CheckContext::skip(const std::string& reason) {
    if (result.status != Status::Failed) result.status = Status::Skipped;
    add(reason);
}

void CheckContext::figure(const std::string& name, double value) { result.figures.push_back({name, value}); }

void CheckContext::abort(const std::string& message) { throw CheckAbort(message); }

std::string CheckContext::keepFolder() {
    if (!keeping()) return {};
    std::error_code ignored;
    std::filesystem::create_directories(settings.keepDir, ignored);
    return settings.keepDir;
}

void CheckContext::keep(const std::string& fileName, const std::vector<uint8_t>& bytes) {
    keepText(fileName, std::string(bytes.begin(), bytes.end()));
}

// A file that cannot be kept costs the report a file, never the check its verdict.
void CheckContext::keepText(const std::string& fileName, const std::string& text) {
    if (!keeping()) return;
    const std::filesystem::path path = std::filesystem::path(keepFolder()) / fileName;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) note("could not keep " + path.string());
}

Session& CheckContext::session() {
    if (!host) host = std::make_unique<Session>(*this);
    return *host;
}

void CheckContext::finish() {
    // What the plug-in received, for whoever looks into a failure; read before the instances go.
    if (host && keeping() && needsAttention(result)) keepText("probe-log.txt", host->probeLogText());
    if (host) host->finish();
    host.reset();
    if (dropped > 0) result.messages.push_back("... and " + std::to_string(dropped) + " more messages like these");
    dropped = 0;
}

const CheckInfo* findCheck(const std::string& name) {
    for (const CheckInfo& check : allChecks())
        if (name == check.name) return &check;
    // Not in the battery, but children of --fuzz run it by name.
    if (name == kFuzzCheckName) return &fuzzCheck();
    return nullptr;
}

}  // namespace korvex_validate
