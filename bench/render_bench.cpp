// Wrapper overhead of the render path: RenderCallback over N instances against calling the same
// plug-ins' processReplacing directly, for several buffer sizes.
#include <benchmark/benchmark.h>


#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "render/render_callback.h"
#include "simhost/direct_vst_host.h"
#include "simhost/dynamic_library.h"
#include "simhost/render_context_builder.h"
#include "vst/host_callback.h"
#include "vst/vst_callback.h"
#include "vst/vst_interface.h"

namespace {

// A pass-through plug-in inside this process: what remains of the wrapped time is the wrapper.
struct Passthrough {
    Passthrough() {
        effect.magic = kEffectMagic;
        effect.dispatcher = [](AEffect*, int32_t, int32_t, VstIntPtr, void*, float) -> VstIntPtr { return 0; };
        effect.processReplacing = [](AEffect*, float** in, float** out, int32_t frames) {
            const size_t bytes = sizeof(float) * static_cast<size_t>(frames);
            std::memcpy(out[0], in[0], bytes);
            if (out[1] && in[1]) std::memcpy(out[1], in[1], bytes);
        };
    }
    AEffect effect{};
};

enum class Plugin { Passthrough, Reference };

std::string referencePath() { return std::string(KORVEX_BUILD_DIR) + "/VST64/KORVEX.dll"; }

// N wrapped instances as the module sets them up, each with its own render context.
struct Wrapped {
    Wrapped(Plugin kind, int instances, int32_t frames, bool withTransport) {
        for (int i = 0; i < instances; ++i) {
            auto vst = std::make_unique<VstInterface>();
            auto state = std::make_unique<VstCallBack>(reinterpret_cast<AAXWrapper_Parameters*>(0x1000));
            vst->callback = state.get();
            if (kind == Plugin::Passthrough) {
                plugins.push_back(std::make_unique<Passthrough>());
                vst->effect = &plugins.back()->effect;
            } else {
                vst->effect = createThroughModuleCallback();
                vst->effect->user = state.get();  // as CreateVstInstance leaves it
                vst->dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
                vst->dispatch(effOpen, 0, 0, nullptr, 0.0f);
                vst->dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);
            }
            vst->effect->user = state.get();
            auto context = std::make_unique<simhost::RenderContextBuilder>(simhost::kStemStereo, frames);
            const int32_t channels = 2, loaded = 1;
            const VstInterface* address = vst.get();
            context->postPacket(1, &channels, 4);
            context->postPacket(3, &channels, 4);
            context->postPacket(7, &address, 8);
            context->postPacket(8, &loaded, 4);
            context->transport().setPlaying(true);
            context->setTransportAvailable(withTransport);
            batch.push_back(context->context());
            contexts.push_back(std::move(context));
            states.push_back(std::move(state));
            interfaces.push_back(std::move(vst));
        }
    }
    // The module's way: the library's "main" given the module's host callback.
    static AEffect* createThroughModuleCallback() {
        void* library = simhost::openLibrary(referencePath());
        auto pluginMain = reinterpret_cast<VstPluginMainProc>(simhost::librarySymbol(library, "main"));
        AEffect* effect = pluginMain ? pluginMain(HostCallback) : nullptr;
        if (!effect) std::abort();
        return effect;
    }
    // Declared first so every plug-in outlives the interfaces that send it effClose.
    std::vector<std::unique_ptr<Passthrough>> plugins;
    std::vector<std::unique_ptr<simhost::RenderContextBuilder>> contexts;
    std::vector<std::unique_ptr<VstCallBack>> states;
    std::vector<std::unique_ptr<VstInterface>> interfaces;
    std::vector<void*> batch;
};

// The same plug-ins called directly with buffers of the same shape.
struct Direct {
    Direct(Plugin kind, int instances, int32_t frames) {
        for (int i = 0; i < instances; ++i) {
            if (kind == Plugin::Passthrough) {
                plugins.push_back(std::make_unique<Passthrough>());
                effects.push_back(&plugins.back()->effect);
            } else {
                hosts.push_back(std::make_unique<simhost::DirectVstHost>());
                hosts.back()->load(referencePath());
                hosts.back()->start(48000.0f);
                hosts.back()->setTimeInfo(simhost::DirectVstHost::transport(true, 120, 4, 4, 0, 0, 48000));
                effects.push_back(hosts.back()->effect());
            }
            buffers.emplace_back(4, std::vector<float>(static_cast<size_t>(frames), 0.0f));
        }
    }
    std::vector<std::unique_ptr<Passthrough>> plugins;
    std::vector<std::unique_ptr<simhost::DirectVstHost>> hosts;
    std::vector<AEffect*> effects;
    std::vector<std::vector<std::vector<float>>> buffers;
};

void BM_Direct(benchmark::State& state, Plugin kind) {
    const int instances = static_cast<int>(state.range(0));
    const auto frames = static_cast<int32_t>(state.range(1));
    Direct direct(kind, instances, frames);
    for (auto _ : state) {
        for (size_t i = 0; i < direct.effects.size(); ++i) {
            auto& b = direct.buffers[i];
            float* inputs[2] = {b[0].data(), b[1].data()};
            float* outputs[2] = {b[2].data(), b[3].data()};
            direct.effects[i]->processReplacing(direct.effects[i], inputs, outputs, frames);
        }
        benchmark::ClobberMemory();
    }
    state.counters["instances"] = instances;
    state.SetItemsProcessed(state.iterations() * instances);
}

// withTransport false: the transport node answers no transport, leaving the module's own cost.
void BM_RenderCallback(benchmark::State& state, Plugin kind, bool withTransport) {
    const int instances = static_cast<int>(state.range(0));
    const auto frames = static_cast<int32_t>(state.range(1));
    Wrapped wrapped(kind, instances, frames, withTransport);
    void* const* first = wrapped.batch.data();
    const void* pastLast = wrapped.batch.data() + wrapped.batch.size();
    for (auto _ : state) {
        RenderCallback(first, pastLast);
        benchmark::ClobberMemory();
    }
    state.counters["instances"] = instances;
    state.SetItemsProcessed(state.iterations() * instances);
}

void shapes(benchmark::internal::Benchmark* b) {
    for (int64_t instances : {1, 16, 256})
        for (int64_t frames : {32, 64, 512}) b->Args({instances, frames});
}

const bool kRegistered = [] {
    benchmark::RegisterBenchmark("Direct/passthrough", BM_Direct, Plugin::Passthrough)->Apply(shapes);
    benchmark::RegisterBenchmark("RenderCallback/passthrough", BM_RenderCallback, Plugin::Passthrough, true)
        ->Apply(shapes);
    benchmark::RegisterBenchmark("RenderCallback/passthrough_no_transport", BM_RenderCallback, Plugin::Passthrough,
                                 false)
        ->Apply(shapes);
    if (std::filesystem::exists(referencePath())) {
        benchmark::RegisterBenchmark("Direct/reference", BM_Direct, Plugin::Reference)->Apply(shapes);
        benchmark::RegisterBenchmark("RenderCallback/reference", BM_RenderCallback, Plugin::Reference, true)
            ->Apply(shapes);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
