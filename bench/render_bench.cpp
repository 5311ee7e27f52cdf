// Wrapper overhead of the render path: RenderCallback over N instances against calling the same
// plug-ins' processReplacing directly with arrays of the same shape, for several buffer sizes and layouts.
#include <benchmark/benchmark.h>


#include <algorithm>
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

enum class Plugin { Passthrough, Splitter, Imposer, Reference };

// A plug-in inside this process that only moves samples: what remains of the wrapped time is the
// wrapper. The pass-through copies two inputs to two outputs; the splitter has a band splitter's
// shape, two inputs and six outputs, each written in turn from input 0 and 1; the imposer has
// four inputs, and output c is input c plus input c + 2 (which the module keeps silent).
struct InProcess {
    explicit InProcess(Plugin kind) {
        effect.magic = kEffectMagic;
        effect.numInputs = kind == Plugin::Imposer ? 4 : 2;
        effect.numOutputs = kind == Plugin::Splitter ? 6 : 2;
        effect.dispatcher = [](AEffect*, int32_t, int32_t, VstIntPtr, void*, float) -> VstIntPtr { return 0; };
        effect.processReplacing = kind == Plugin::Imposer ? &impose : &copy;
    }
    static void copy(AEffect* self, float** in, float** out, int32_t frames) {
        const size_t bytes = sizeof(float) * static_cast<size_t>(frames);
        for (int c = 0; c < self->numOutputs; ++c)
            if (out[c] && in[c % 2]) std::memcpy(out[c], in[c % 2], bytes);
    }
    static void impose(AEffect*, float** in, float** out, int32_t frames) {
        for (int c = 0; c < 2; ++c)
            for (int32_t i = 0; i < frames; ++i) out[c][i] = in[c][i] + in[c + 2][i];
    }
    AEffect effect{};
};

std::string referencePath() { return std::string(KORVEX_BUILD_DIR) + "/VST64/KORVEX.dll"; }

// N wrapped instances as the module sets them up, each with its own render context.
struct Wrapped {
    Wrapped(Plugin kind, int instances, int32_t frames, bool withTransport) {
        for (int i = 0; i < instances; ++i) {
            auto vst = std::make_unique<VstInterface>();
            auto state = std::make_unique<VstCallBack>(reinterpret_cast<AAXWrapper_Parameters*>(0x1000));
            vst->callback = state.get();
            if (kind != Plugin::Reference) {
                plugins.push_back(std::make_unique<InProcess>(kind));
                vst->effect = &plugins.back()->effect;
            } else {
                vst->effect = createThroughModuleCallback();
                vst->effect->user = state.get();  // as CreateVstInstance leaves it
                vst->dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
                vst->dispatch(effOpen, 0, 0, nullptr, 0.0f);
                vst->dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);
            }
            vst->effect->user = state.get();
            vst->prepareChannels();
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
    std::vector<std::unique_ptr<InProcess>> plugins;
    std::vector<std::unique_ptr<simhost::RenderContextBuilder>> contexts;
    std::vector<std::unique_ptr<VstCallBack>> states;
    std::vector<std::unique_ptr<VstInterface>> interfaces;
    std::vector<void*> batch;
};

// The same plug-ins called directly with buffers of the same shape.
struct Direct {
    Direct(Plugin kind, int instances, int32_t frames) {
        for (int i = 0; i < instances; ++i) {
            if (kind != Plugin::Reference) {
                plugins.push_back(std::make_unique<InProcess>(kind));
                effects.push_back(&plugins.back()->effect);
            } else {
                hosts.push_back(std::make_unique<simhost::DirectVstHost>());
                hosts.back()->load(referencePath());
                hosts.back()->start(48000.0f);
                hosts.back()->setTimeInfo(simhost::DirectVstHost::transport(true, 120, 4, 4, 0, 0, 48000));
                effects.push_back(hosts.back()->effect());
            }
            // As many inputs and outputs as the plug-in declares (at least two each), each its own.
            const size_t inputCount = static_cast<size_t>(std::max(effects.back()->numInputs, 2));
            const size_t outputCount = static_cast<size_t>(std::max(effects.back()->numOutputs, 2));
            buffers.emplace_back(inputCount + outputCount, std::vector<float>(static_cast<size_t>(frames), 0.0f));
            inputArrays.emplace_back();
            outputArrays.emplace_back();
            for (size_t c = 0; c < inputCount; ++c) inputArrays.back().push_back(buffers.back()[c].data());
            for (size_t c = 0; c < outputCount; ++c)
                outputArrays.back().push_back(buffers.back()[inputCount + c].data());
        }
    }
    std::vector<std::unique_ptr<InProcess>> plugins;
    std::vector<std::unique_ptr<simhost::DirectVstHost>> hosts;
    std::vector<AEffect*> effects;
    std::vector<std::vector<std::vector<float>>> buffers;
    std::vector<std::vector<float*>> inputArrays;
    std::vector<std::vector<float*>> outputArrays;
};

void BM_Direct(benchmark::State& state, Plugin kind) {
    const int instances = static_cast<int>(state.range(0));
    const auto frames = static_cast<int32_t>(state.range(1));
    Direct direct(kind, instances, frames);
    for (auto _ : state) {
        for (size_t i = 0; i < direct.effects.size(); ++i)
            direct.effects[i]->processReplacing(direct.effects[i], direct.inputArrays[i].data(), direct.outputArrays[i].data(),
                                                frames);
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
    benchmark::RegisterBenchmark("Direct/splitter_2in6out", BM_Direct, Plugin::Splitter)->Apply(shapes);
    benchmark::RegisterBenchmark("RenderCallback/splitter_2in6out", BM_RenderCallback, Plugin::Splitter, true)
        ->Apply(shapes);
    benchmark::RegisterBenchmark("Direct/imposer_4in2out", BM_Direct, Plugin::Imposer)->Apply(shapes);
    benchmark::RegisterBenchmark("RenderCallback/imposer_4in2out", BM_RenderCallback, Plugin::Imposer, true)
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
