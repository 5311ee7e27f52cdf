// The plug-in's host requests as a host really meets them: made from inside processReplacing, on
// the thread of the render call, through the built module loaded as a host loads it. Each
// benchmark is one render call of 64 frames with eight requests of one kind in it; the cost of
// one request is (that time - RenderCall/no_requests) / 8. The simulated host answers automation
// without recording it; its own work (touch, set-value request, release) is in the figure.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "plugins/faulty/recording_log.h"
#include "simhost/dynamic_library.h"
#include "simhost/render_driver.h"
#include "simhost/sim_effect_instance.h"
#include "simhost/sim_host.h"
#include "simhost/vst_install.h"

namespace {

constexpr int32_t kRequestsPerCall = 8;

void BM_RenderCall(benchmark::State& run, int32_t opcode, int32_t requests) {
    const simhost::VstInstall install = simhost::VstInstall::forPath(std::string(KORVEX_BUILD_DIR) + "/plugins/recording" +
                                                                     simhost::librarySuffix());
    void* library = simhost::openLibrary(install.libraryPath());
    auto configure = reinterpret_cast<KorvexRecordingConfigureProc>(simhost::librarySymbol(library, "korvexRecordingConfigure"));
    if (!configure) {
        run.SkipWithError("the recording plug-in is not built");
        return;
    }
    recording::RecordingConfig config;
    config.capacity = 1;  // calls are counted, not logged: the log would fill
    for (int32_t i = 0; i < requests; ++i) config.processHostCalls[config.processHostCallCount++] = opcode;
    configure(&config);
    {
        simhost::SimHost host;
        host.startup();
        host.describe();
        simhost::SimEffectInstance instance(host);
        instance.controller().recorder.setRecording(false);
        instance.automation().recorder.setRecording(false);
        instance.transportService().recorder.setRecording(false);
        instance.automation().setSetValueHook([](const std::string&, double) {});
        simhost::TransportSettings transport;
        transport.playing = true;
        instance.setTransport(transport);
        simhost::RenderContextBuilder& context = instance.context();
        context.setFrames(64);
        simhost::RenderDriver driver(host.renderCallback());
        for (auto _ : run) driver.render({&context});
        run.SetItemsProcessed(run.iterations() * std::max(requests, 1));
    }
    configure(nullptr);
}

const bool kRegistered = [] {
    benchmark::RegisterBenchmark("RenderCall/no_requests", BM_RenderCall, 0, 0);
    benchmark::RegisterBenchmark("RenderCall/8_time_requests", BM_RenderCall, int32_t{audioMasterGetTime}, kRequestsPerCall);
    benchmark::RegisterBenchmark("RenderCall/8_automations", BM_RenderCall, int32_t{audioMasterAutomate}, kRequestsPerCall);
    return true;
}();

}  // namespace
