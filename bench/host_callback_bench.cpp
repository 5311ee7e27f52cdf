// What the plug-in's host requests cost on the calling thread (a render thread, typically): the
// time request under an unchanged transport, automation through the linked parameters, and a
// display update through the linked editor, each with and without another thread hammering the
// same instance.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "editor/aax_iacf_effect_gui.h"
#include "parameters/parameter_manager.h"
#include "tests/fake_controller.h"
#include "tests/stub_parameter.h"
#include "vst/host_callback.h"
#include "vst/vst_callback.h"

namespace {

class NullEditor final : public AAX_IACFEffectGUI {
public:
    int32_t QueryInterface(const GUID&, void**) override { return -1; }
    uint32_t AddRef() override { return 1; }
    uint32_t Release() override { return 1; }
    int32_t Initialize(IACFUnknown*) override { return 0; }
    int32_t Uninitialize() override { return 0; }
    int32_t Slot5(const void*) override { return 0; }
    int32_t AttachViewContainer(IACFUnknown*) override { return 0; }
    int32_t QueryViewSize(AAX_Point*) override { return 0; }
    int32_t RedrawRect(AAX_Rect*) override { return 0; }
    int32_t TimerTick() override { return 0; }
    int32_t ParameterChanged(const char*) override { return 0; }
    int32_t Slot11(const void*) override { return -20004; }
    int32_t Slot12(const void*) override { return 0; }
};

// One instance with four parameters "p0".."p3", its controller, parameters and editor linked.
struct Instance {
    Instance() : state(reinterpret_cast<AAXWrapper_Parameters*>(0x1000)) {
        effect.magic = kEffectMagic;
        effect.numParams = 4;
        effect.dispatcher = [](AEffect*, int32_t opcode, int32_t index, VstIntPtr, void* ptr, float) -> VstIntPtr {
            if (opcode == kPrivateGetParamID && ptr) {
                char* id = static_cast<char*>(ptr);
                id[0] = 'p';
                id[1] = static_cast<char>('0' + (index & 3));
            }
            return 0;
        };
        effect.user = &state;
        for (const char* id : {"p0", "p1", "p2", "p3"}) manager.AddParameter(new testing_support::StubParameter(id));
        state.controller.set(&controller);
        state.parameterManager.set(&manager);
        state.editor.set(&editor);
        state.tempoValid = 1;
        state.storePlaying(true);
    }
    VstIntPtr call(int32_t opcode, int32_t index = 0) { return HostCallback(&effect, opcode, index, 0, nullptr, 0.5f); }

    AEffect effect{};
    testing_support::FakeController controller;
    ParameterManager manager;
    NullEditor editor;
    VstCallBack state;
};

// Another thread making the same request on the same instance for the whole run, when asked.
class Neighbour {
public:
    Neighbour(Instance& instance, int32_t opcode, bool active) {
        if (active)
            thread = std::thread([&instance, opcode, this] {
                while (!stop.load(std::memory_order_relaxed)) instance.call(opcode, 1);
            });
    }
    ~Neighbour() {
        stop = true;
        if (thread.joinable()) thread.join();
    }

private:
    std::atomic<bool> stop{false};
    std::thread thread;
};

void BM_Request(benchmark::State& run, int32_t opcode, bool contended) {
    Instance instance;
    Neighbour neighbour(instance, opcode, contended);
    for (auto _ : run) benchmark::DoNotOptimize(instance.call(opcode, 2));
    run.SetItemsProcessed(run.iterations());
}

const bool kRegistered = [] {
    for (bool contended : {false, true}) {
        const char* suffix = contended ? "/with_another_thread" : "/alone";
        benchmark::RegisterBenchmark((std::string("GetTime") + suffix).c_str(), BM_Request, audioMasterGetTime, contended);
        benchmark::RegisterBenchmark((std::string("Automate") + suffix).c_str(), BM_Request, audioMasterAutomate, contended);
        benchmark::RegisterBenchmark((std::string("UpdateDisplay4") + suffix).c_str(), BM_Request,
                                     audioMasterUpdateDisplay, contended);
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
