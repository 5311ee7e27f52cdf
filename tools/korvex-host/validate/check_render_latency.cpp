// render.latency: how late the plug-in's output follows its input, found by correlating a burst
// of noise with what comes out (a plain impulse would hide in plug-ins that smear it), against
// the delay it declares (initialDelay). The correlation is the plug-in's impulse response; its
// delay is where that response starts (a filter's smear moves its peak, not its start). The
// module tells the host no delay, so any delay leaves the plug-in misaligned in a host that
// compensates: a warning, with the figures.
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/response.h"

namespace korvex_validate {
namespace {

constexpr int32_t kBurst = 8192;
constexpr int32_t kMinSearch = 16384;  // frames of delay searched at least
constexpr double kMaxSearchSeconds = 2.0;
// Output this far below the input is no answer to it: an instrument ignoring its input.
constexpr double kSilentEnergy = 1e-12;
// The response starts where it first reaches this share of its peak.
constexpr double kOnset = 0.1;
// Frames a response may start after the declared delay: a steep filter's first samples are small.
constexpr int64_t kTolerance = 4;

std::string millisecondsText(int64_t frames, double rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f ms", 1000.0 * static_cast<double>(frames) / rate);
    return text;
}

}  // namespace

void checkRenderLatency(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    const AEffect* plugin = instance->plugin();
    if (!plugin) context.abort("the probe did not see the plug-in instance");
    const int32_t declared = plugin->initialDelay;
    const double rate = instance->settings().sampleRate;
    const int64_t search =
        std::min<int64_t>(std::max<int64_t>(kMinSearch, 2LL * std::max(declared, 0)), static_cast<int64_t>(rate * kMaxSearchSeconds));
    std::vector<float> burst(kBurst);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    for (float& sample : burst) sample = noise(context.random());
    const std::vector<float> output = renderResponse(context, *instance, burst, kBurst + search);
    context.figure("declared_delay_frames", declared);

    double energy = 0.0;
    for (float sample : output) energy += static_cast<double>(sample) * sample;
    if (energy < kSilentEnergy) {
        context.note("the output does not follow the input (an instrument or a generator): no delay measured");
        return;
    }
    std::vector<double> response(static_cast<size_t>(search + 1));
    double peak = 0.0;
    int64_t peakLag = 0;
    for (int64_t lag = 0; lag <= search; ++lag) {
        double sum = 0.0;
        for (int64_t i = 0; i < kBurst && i + lag < static_cast<int64_t>(output.size()); ++i)
            sum += static_cast<double>(burst[static_cast<size_t>(i)]) * output[static_cast<size_t>(i + lag)];
        response[static_cast<size_t>(lag)] = std::fabs(sum);
        if (std::fabs(sum) > peak) {
            peak = std::fabs(sum);
            peakLag = lag;
        }
    }
    int64_t start = 0;
    while (response[static_cast<size_t>(start)] < kOnset * peak) ++start;
    context.figure("measured_delay_frames", static_cast<double>(start));
    context.figure("response_peak_frames", static_cast<double>(peakLag));
    if (start < declared || start > declared + kTolerance)
        context.fail("declares a delay of " + std::to_string(declared) + " frames (initialDelay) but its output follows "
                     "its input " + std::to_string(start) + " frames (" + millisecondsText(start, rate) + ") late");
    const int64_t delay = std::max<int64_t>(start > kTolerance ? start : 0, declared);
    if (delay > 0)
        context.warn("the module reports no delay to the host, so a host that compensates delays leaves this "
                     "plug-in's output " + std::to_string(delay) + " frames (" + millisecondsText(delay, rate) +
                     ") late against other tracks");
}

}  // namespace korvex_validate
