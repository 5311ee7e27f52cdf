// What every validation check is made of: one result type, the context a check runs in, and the
// entry in the one table of checks (name, level, needs). The runner owns isolation, time-outs and
// reports; a check only exercises the plug-in and says what it found.
#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvex_validate {

// Warned passes unless the run is strict; added last so stored values of the others keep theirs.
enum class Status { Passed, Failed, Skipped, Warned };
const char* statusName(Status status);

struct Figure {
    std::string name;  // with its unit: "module_us_per_block_512", "parameters"
    double value = 0.0;
};

// A picture of a check's numbers that reports draw as they are: lines over one x axis.
struct Series {
    std::string name;  // "through the module", "hosted directly"
    std::vector<double> x, y;
};
struct Chart {
    std::string title;   // says the figure it shows: "channel 0 differs from frame 6144 (0.128 s)"
    std::string xLabel;  // with units: "frame", "block size (frames)"
    std::string yLabel;
    bool logX = false;
    bool hasMarker = false;  // a vertical line at markerX, named markerLabel
    double markerX = 0.0;
    std::string markerLabel;
    std::vector<Series> series;
};
// A picture the check took (the editor's window), as PNG bytes.
struct Picture {
    std::string title;
    std::vector<uint8_t> png;
};

// One run of one check.
struct CheckResult {
    std::string name;
    Status status = Status::Passed;
    uint64_t seed = 0;
    double seconds = 0.0;
    std::vector<std::string> messages;  // failures first-come, then notes; each one line
    std::vector<Figure> figures;
    std::string log;  // the end of what the test process wrote to stderr, when it ended abnormally
    std::vector<Chart> charts;
    std::vector<Picture> pictures;
    std::string stack;  // the crashing thread's call stack, symbolised, one frame a line
};

// Failed and warned results (any status but passed and skipped) are the ones to look into.
bool needsAttention(const CheckResult& result);

// What a check needs beyond a plug-in that loads; the runner skips it, with the reason, without.
enum Need : uint32_t {
    kNeedsNothing = 0,
    kNeedsWindow = 1u << 0,   // a display for native windows
    kNeedsThreads = 1u << 1,  // several threads calling the module at once
    kNeedsSynth = 1u << 2,    // a plug-in that makes sound from MIDI (effFlagsIsSynth)
    kNeedsAlone = 1u << 3,    // the machine to itself (it measures time): never beside another test
};
std::string needsText(uint32_t needs);

// Everything a run of the battery is given; children get the same through their command line.
struct ValidateOptions {
    std::string vstPath;     // the plug-in library under test
    std::string modulePath;  // the AAX module wrapping it
    std::string probePath;   // the probe library the module loads in the plug-in's place
    int level = 5;
    double timeoutSeconds = 60.0;
    std::string blocks;  // --blocks as given: empty for the defaults
    std::string rates;   // --rates as given
    // Where this test keeps what reproduces a failure (inputs, outputs, logs); empty: nothing is
    // kept. Files land as they are made; the runner removes the folder of a test that passed.
    std::string keepDir;
};

class Session;

// Thrown by CheckContext::abort and caught by the runner: the check stops, failed.
class CheckAbort : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class CheckContext {
public:
    CheckContext(const ValidateOptions& options, uint64_t seed, CheckResult& result);
    ~CheckContext();
    CheckContext(const CheckContext&) = delete;
    CheckContext& operator=(const CheckContext&) = delete;

    const ValidateOptions& options() const { return settings; }
    int level() const { return settings.level; }
    uint64_t seed() const { return result.seed; }
    // Every random choice of a check comes from here, so the seed replays it.
    std::mt19937_64& random() { return generator; }
    double uniform(double low = 0.0, double high = 1.0);

    // The check goes on; the run counts as failed. Beyond a few dozen, messages are only counted.
    void fail(const std::string& message);
    // A finding that passes: reported with the result, changes nothing.
    void note(const std::string& message);
    // A finding a vendor must hear about that is not a fault of the plug-in as such (a host
    // would misalign or cut it): the test warns unless it failed; --strict makes it a failure.
    void warn(const std::string& message);
    // The check does not apply; the reason is reported (a failure already recorded stands).
    void skip(const std::string& reason);
    void figure(const std::string& name, double value);
    void chart(Chart picture) { result.charts.push_back(std::move(picture)); }
    void picture(const std::string& title, std::vector<uint8_t> png) { result.pictures.push_back({title, std::move(png)}); }
    // Whether files are kept, and keeping one (overwritten when kept again): the last one stays.
    bool keeping() const { return !settings.keepDir.empty(); }
    void keep(const std::string& fileName, const std::vector<uint8_t>& bytes);
    void keepText(const std::string& fileName, const std::string& text);
    // The folder files are kept in ("" when none); made on first use.
    std::string keepFolder();
    bool failed() const { return result.status == Status::Failed; }
    // Stops the check at once, failed with this message.
    [[noreturn]] void abort(const std::string& message);

    // The module started, the plug-in installed behind the probe; made on first use.
    Session& session();
    // After the check: every object it made must be gone (ACFCanUnloadNow answers 0), then the
    // module is shut down. Failures land in the result.
    void finish();

private:
    void add(const std::string& message);

    ValidateOptions settings;
    CheckResult& result;
    std::mt19937_64 generator;
    std::unique_ptr<Session> host;
    size_t dropped = 0;
};

using CheckFunction = void (*)(CheckContext& context);

struct CheckInfo {
    const char* name;     // stable: scripts select and CI systems track checks by it
    int level;            // runs at this level and above
    uint32_t needs;       // Need bits
    const char* summary;  // one line for --list and the README
    CheckFunction run;
};

// The battery, in running order.
const std::vector<CheckInfo>& allChecks();
const CheckInfo* findCheck(const std::string& name);

}  // namespace korvex_validate
