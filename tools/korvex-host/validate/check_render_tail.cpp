// render.tail: how long the plug-in rings after an impulse, rendered until its output stays below
// -120 dBFS (or a bound), against the tail it declares (effGetTailSize: 0 unknown, 1 none, else
// frames). The module passes no tail to the host, so a long one may be cut where a host stops
// rendering once its input ends: a warning, with the figures.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/response.h"

namespace korvex_validate {
namespace {

constexpr float kThreshold = 1e-6f;      // -120 dBFS
constexpr double kQuietSeconds = 0.5;    // below the threshold this long: the tail has ended
constexpr double kBoundSeconds = 30.0;   // a plug-in still ringing then never stops
constexpr int64_t kSlack = kResponseBlock;  // a tail this much longer than declared is still fine
constexpr int64_t kWorthNoting = 4096;      // frames of tail a listener would miss
constexpr int32_t kTailSizeOpcode = 52;     // effGetTailSize

std::string secondsText(int64_t frames, double rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(frames) / rate);
    return text;
}

}  // namespace

void checkRenderTail(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    const AEffect* plugin = instance->plugin();
    if (!plugin) context.abort("the probe did not see the plug-in instance");
    const double rate = instance->settings().sampleRate;
    const int64_t declared = session.probe().dispatch(instance->probeIndex(), kTailSizeOpcode);
    const int64_t delay = std::max(plugin->initialDelay, 0);

    const std::vector<float> head = renderResponse(context, *instance, {1.0f}, kResponseBlock);
    int64_t last = -1, position = 0;
    const auto look = [&](const float* block, int32_t frames) {
        for (int32_t i = 0; i < frames; ++i)
            if (std::fabs(block[i]) >= kThreshold) last = position + i;
        position += frames;
    };
    look(head.data(), static_cast<int32_t>(head.size()));
    const auto quiet = static_cast<int64_t>(rate * kQuietSeconds);
    const auto bound = static_cast<int64_t>(rate * kBoundSeconds);
    renderWhile(context, *instance, [&](const float* block) {
        look(block, kResponseBlock);
        return position - last < quiet && position < bound;
    });
    const bool endless = position - last < quiet;
    const int64_t tail = std::max<int64_t>(0, last + 1 - delay);
    context.figure("declared_tail_frames", static_cast<double>(declared));
    context.figure("measured_tail_frames", static_cast<double>(tail));
    if (endless) {
        context.warn("still above -120 dBFS " + secondsText(bound, rate) +
                     " after an impulse: a self-oscillating or DC output never ends, and a host will cut it");
        return;
    }
    if (declared > 1 && tail > declared + kSlack)
        context.fail("declares a tail of " + std::to_string(declared) + " frames (effGetTailSize) but rings above "
                     "-120 dBFS for " + std::to_string(tail) + " frames (" + secondsText(tail, rate) + ")");
    else if (declared == 1 && tail > kSlack)
        context.fail("declares no tail (effGetTailSize answers 1) but rings above -120 dBFS for " +
                     std::to_string(tail) + " frames (" + secondsText(tail, rate) + ")");
    if (tail > kWorthNoting)
        context.note("rings for " + secondsText(tail, rate) + " after an impulse; the module passes no tail size to "
                     "the host, so a bounce that ends with its selection cuts what rings beyond it");
}

}  // namespace korvex_validate
