// Artifact folders: the replay script and the files the runner keeps beside what the test kept.
#include "tools/korvex-host/validate/artifacts.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tools/korvex-host/validate/environment.h"
#include "tools/korvex-host/validate/result_extras.h"

namespace korvex_validate {
namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

std::string timeoutText(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", seconds);
    return text;
}

// Plain words stay as they are; anything else is single-quoted for a POSIX shell.
std::string shellWord(const std::string& word) {
    if (!word.empty() && word.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"
                                                "-_./:=,+@") == std::string::npos)
        return word;
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

std::vector<std::string> replayArguments(const Report& report, const CheckResult& result) {
    std::vector<std::string> argv = report.command;
    argv.insert(argv.end(), {"validate", "--only", result.name, "--seed", std::to_string(result.seed), "--level",
                             std::to_string(report.level), "--timeout", timeoutText(report.timeoutSeconds)});
    return argv;
}

std::string replayCommandLine(const Report& report, const CheckResult& result) {
    std::string line;
    for (const std::string& word : replayArguments(report, result)) line += (line.empty() ? "" : " ") + shellWord(word);
    return line;
}

std::string artifactFolder(const std::string& root, const std::string& name, uint64_t seed, int repeat) {
    const std::string folder = repeat > 1 ? name + "-seed" + std::to_string(seed) : name;
    return (fs::path(root) / folder).string();
}

void settleArtifacts(const std::string& root, const Report& report, const CheckResult& result, const std::string& err) {
    const fs::path folder = artifactFolder(root, result.name, result.seed, report.repeat);
    std::error_code ignored;
    if (!needsAttention(result)) {
        fs::remove_all(folder, ignored);
        return;
    }
    fs::create_directories(folder, ignored);
    const Script script = replayScript("replays validate's test " + result.name + " with seed " +
                                           std::to_string(result.seed) + " on " + report.plugin +
                                           " (exit code 1 when it fails again)",
                                       validatorEnvironment(), replayArguments(report, result));
    writeFile(folder / script.fileName, script.text);
    if (!makeRunnable((folder / script.fileName).string()))
        throw std::runtime_error("cannot make " + (folder / script.fileName).string() + " runnable");
    writeFile(folder / "result.json",
              resultJson(result).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n");
    if (!err.empty()) writeFile(folder / "stderr.txt", err);
    if (!result.stack.empty()) writeFile(folder / "stack.txt", result.stack);
}

void writeSummary(const std::string& root, const Report& report) {
    std::error_code ignored;
    fs::create_directories(root, ignored);
    writeJson(report, (fs::path(root) / "summary.json").string());
}

}  // namespace korvex_validate
