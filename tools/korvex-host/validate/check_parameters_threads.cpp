// parameters.threads: host values from several threads at once (as hosts deliver automation, UI
// changes and control surfaces on threads of their own) while another thread renders and one more
// reads the parameter table: nothing crashes, and once the writers stop every parameter holds the
// last value its writer set, in the host and in the plug-in.
#include <atomic>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/plugin_parameters.h"
#include "tools/korvex-host/validate/signal.h"

namespace korvex_validate {
namespace {

struct Owned {
    simhost::ParameterInfo info;
    int32_t vstIndex = -1;
    double last = -1.0;
};

}  // namespace

void checkParameterThreads(CheckContext& context) {
    Session& session = context.session();
    InstanceSettings settings;
    settings.maxFrames = 512;
    std::unique_ptr<Instance> instance = session.instance(settings);
    const int writers = context.level() >= 10 ? 4 : 3;
    const int rounds = context.level() >= 10 ? 4000 : 1000;

    // Each writer owns its own parameters, so "the last value set" is well defined for each.
    std::vector<std::vector<Owned>> owned(static_cast<size_t>(writers));
    const std::optional<simhost::ParameterInfo> bypass = instance->sim().findParameter(instance->sim().masterBypassId());
    if (bypass) owned[0].push_back({*bypass, -1, -1.0});
    size_t next = 1;
    for (const MappedParameter& parameter : mappedParameters(*instance, session.probe()))
        owned[next++ % owned.size()].push_back({parameter.info, parameter.vstIndex, -1.0});

    std::atomic<bool> stop{false};
    std::atomic<int64_t> blocks{0};
    // Output that is bad before any value changes is render.finite's to report.
    SignalWatch watch;
    {
        Buffers buffers(instance->channels(), settings.maxFrames);
        for (int i = 0; i < 8; ++i) {
            for (int32_t c = 0; c < instance->channels(); ++c)
                for (float& sample : buffers.input(c)) sample = 0.05f;
            instance->render(buffers.in(), buffers.out(), 256);
            watch.add(buffers, 256);
        }
    }
    const bool cleanBefore = watch.problems().empty();
    std::thread renderer([&] {
        Buffers buffers(instance->channels(), settings.maxFrames);
        std::minstd_rand noise(static_cast<uint32_t>(context.seed()));
        while (!stop.load()) {
            for (int32_t c = 0; c < instance->channels(); ++c)
                for (float& sample : buffers.input(c)) sample = static_cast<float>(noise() % 2000) / 10000.0f - 0.1f;
            instance->render(buffers.in(), buffers.out(), 256);
            watch.add(buffers, 256);
            blocks.fetch_add(1);
        }
    });
    std::thread reader([&] {
        while (!stop.load()) instance->sim().parameterList();
    });
    std::vector<std::thread> threads;
    std::vector<uint64_t> seeds;
    for (int t = 0; t < writers; ++t) seeds.push_back(context.random()());
    for (int t = 0; t < writers; ++t)
        threads.emplace_back([&, t] {
            std::mt19937_64 random(seeds[static_cast<size_t>(t)]);
            std::vector<Owned>& mine = owned[static_cast<size_t>(t)];
            if (mine.empty()) return;
            for (int i = 0; i < rounds; ++i) {
                Owned& parameter = mine[static_cast<size_t>(i) % mine.size()];
                const double value = snapToSteps(parameter.info, std::uniform_real_distribution<double>(0.0, 1.0)(random));
                instance->set(parameter.info.id, value);
                parameter.last = value;
            }
        });
    for (std::thread& thread : threads) thread.join();
    stop.store(true);
    renderer.join();
    reader.join();

    for (const std::vector<Owned>& mine : owned)
        for (const Owned& parameter : mine) {
            if (parameter.last < 0.0) continue;
            const std::string name = "parameter \"" + parameter.info.id + "\"";
            const double kept = hostValue(*instance, parameter.info.id).value_or(-1.0);
            const double expected = parameter.info.steps == 2 && parameter.info.type == 0 ? (parameter.last > 0.5 ? 1.0 : 0.0)
                                                                                           : parameter.last;
            if (std::fabs(kept - expected) > 1e-6)  // the module keeps float values
                context.fail(name + ": last set to " + valueString(parameter.last) + ", the host holds " + valueString(kept));
            if (parameter.vstIndex < 0) continue;
            const double answered = instance->pluginValue(parameter.vstIndex);
            if (std::fabs(answered - parameter.last) > 1e-4)
                context.fail(name + ": last set to " + valueString(parameter.last) + ", the plug-in answers " +
                             valueString(answered));
        }
    if (cleanBefore && !watch.problems().empty()) context.fail("while values changed: " + watch.problems());
    context.figure("writers", writers);
    context.figure("values_set", static_cast<double>(writers) * rounds);
    context.figure("render_calls", static_cast<double>(blocks.load()));
}

}  // namespace korvex_validate
