// timing: reported, not judged. Per block size, the median time of the module's render callback
// against the median time of the same plug-in's processReplacing hosted directly; the difference
// is what the module costs per call. The module loads the plug-in itself here, without the probe.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/render_run.h"
#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {
namespace {

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2), values.end());
    return values[values.size() / 2];
}

}  // namespace

void checkTiming(CheckContext& context) {
    Session session(context, false);
    const int32_t sizes[] = {32, 64, 256, 512, 1024, 4096};
    std::unique_ptr<Instance> instance = session.instance();
    const float rate = instance->settings().sampleRate;
    std::unique_ptr<simhost::DirectVstHost> direct = session.direct(rate);
    instance->timeCallbacks(true);
    simhost::TransportSettings transport;
    transport.playing = true;
    instance->sim().setTransport(transport);
    direct->setTimeInfo(simhost::DirectVstHost::transport(true, 120.0, 4, 4, 0.0, 0.0, rate));

    const int32_t channels = instance->channels();
    Buffers module(channels, kMaxBlock), hosted(channels, kMaxBlock);
    for (int32_t c = 0; c < channels; ++c)
        for (int32_t i = 0; i < kMaxBlock; ++i)
            module.input(c)[static_cast<size_t>(i)] = hosted.input(c)[static_cast<size_t>(i)] = (i % 100) * 0.002f - 0.1f;
    const int budget = context.level() >= 10 ? (1 << 18) : (1 << 16);  // frames per size and side
    std::string summary;
    Series moduleLine{"through the module", {}, {}}, directLine{"hosted directly", {}, {}};
    for (int32_t size : sizes) {
        std::vector<double> viaModule, hostedDirectly;
        const int calls = std::max(64, budget / size);
        for (int call = -8; call < calls; ++call) {  // the first calls warm caches and are not kept
            instance->render(module.in(), module.out(), size);
            const auto start = std::chrono::steady_clock::now();
            direct->process(hosted.input(0).data(), channels > 1 ? hosted.input(1).data() : nullptr,
                            hosted.output(0).data(), channels > 1 ? hosted.output(1).data() : nullptr, size);
            const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (call < 0) continue;
            viaModule.push_back(instance->lastCallbackSeconds());
            hostedDirectly.push_back(seconds);
        }
        const double moduleUs = median(viaModule) * 1e6, directUs = median(hostedDirectly) * 1e6;
        const std::string suffix = "_us_" + std::to_string(size);
        context.figure("module" + suffix, moduleUs);
        context.figure("direct" + suffix, directUs);
        context.figure("overhead" + suffix, moduleUs - directUs);
        moduleLine.x.push_back(size);
        moduleLine.y.push_back(moduleUs);
        directLine.x.push_back(size);
        directLine.y.push_back(directUs);
        char line[96];
        std::snprintf(line, sizeof line, "%s%d: %.2f us vs %.2f us", summary.empty() ? "" : "; ", static_cast<int>(size),
                      moduleUs, directUs);
        summary += line;
    }
    context.note("median per render call, through the module vs hosted directly, by block size: " + summary);
    Chart chart;
    chart.title = "median time per render call by block size (" + summary + ")";
    chart.xLabel = "block size (frames)";
    chart.yLabel = "time per render call (us)";
    chart.logX = true;
    chart.series = {moduleLine, directLine};
    context.chart(std::move(chart));
    instance.reset();
    direct.reset();
    session.finish();
}

}  // namespace korvex_validate
