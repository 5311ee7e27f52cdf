// transport.time: the time record the plug-in gets from its host callback follows the host's
// transport through stops, starts, tempo and meter changes and position jumps: flags, tempo,
// meter and sample position as the host reports them, and the musical position advancing with the
// samples at the tempo.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {
namespace {

constexpr int32_t kBlock = 512;
// Positions travel as whole ticks of 1/960000 beat: two roundings per difference.
constexpr double kPpqTolerance = 3e-6;

class TimeCheck {
public:
    TimeCheck(CheckContext& context, Instance& instance, RenderRun& run)
        : check(context), effect(instance), render(run), rate(instance.settings().sampleRate) {}

    // `count` render calls in the transport state `state`; `what` names the stretch.
    void play(const simhost::TransportSettings& state, int count, const char* what) {
        effect.sim().setTransport(state);
        stretch = what;
        for (int i = 0; i < count; ++i) step();
    }

    int meterNotes = 0;  // positions that did not follow the samples in a meter other than n/4

private:
    void step() {
        const simhost::TransportSettings state = effect.sim().transport();
        const probe::InstanceLog& log = effect.log();
        const int32_t call = log.blocks.load();
        const int32_t before = log.timeCount.load();
        render.block(kBlock);
        const probe::ReceivedTime* record = nullptr;
        for (int32_t i = before; i < log.timeCount.load() && !record; ++i)
            if (log.timeRecord(i).block == call) record = &log.timeRecord(i);
        if (!record || !record->answered) {
            fail("the plug-in's time request got no record");
            return;
        }
        const VstTimeInfo& time = record->time;
        const bool playing = (time.flags & kVstTransportPlaying) != 0;
        if (playing != state.playing) fail(state.playing ? "the record says stopped" : "the record says playing");
        if (!(time.flags & kVstTempoValid) || time.tempo != state.tempo)
            fail("tempo " + number(time.tempo) + (time.flags & kVstTempoValid ? "" : " (not flagged valid)") +
                 ", the host's is " + number(state.tempo));
        if (!(time.flags & kVstTimeSigValid) || time.timeSigNumerator != state.meterNumerator ||
            time.timeSigDenominator != state.meterDenominator)
            fail("meter " + std::to_string(time.timeSigNumerator) + "/" + std::to_string(time.timeSigDenominator) +
                 ", the host's is " + std::to_string(state.meterNumerator) + "/" + std::to_string(state.meterDenominator));
        if (time.sampleRate != rate) fail("sample rate " + number(time.sampleRate));
        if (!state.playing) {
            if (time.flags & kVstPpqPosValid) fail("a musical position is flagged valid while stopped");
            havePrevious = false;
            return;
        }
        if (!(time.flags & kVstPpqPosValid)) {
            fail("no musical position while playing");
            return;
        }
        const double samplePos = static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(state.location)));
        if (time.samplePos != samplePos) fail("sample position " + number(time.samplePos) + ", the host is at " + number(samplePos));
        // Within one tempo the position moves by the samples since the last call, jumps included;
        // the simulated host has no tempo map, so a tempo change moves the position itself.
        if (havePrevious && previousTempo == state.tempo) {
            const double expected =
                static_cast<double>(state.location - previousLocation) / rate * state.tempo / 60.0;
            const double moved = time.ppqPos - previousPpq;
            if (std::fabs(moved - expected) > kPpqTolerance) {
                if (state.meterDenominator == 4 && state.meterNumerator == 4)
                    fail("the musical position moved by " + number(moved) + " beats over " +
                         std::to_string(state.location - previousLocation) + " samples, " + number(expected) +
                         " expected");
                else
                    ++meterNotes;
            }
        }
        havePrevious = true;
        previousPpq = time.ppqPos;
        previousLocation = state.location;
        previousTempo = state.tempo;
    }

    void fail(const std::string& message) {
        check.fail(std::string(stretch) + ", sample " + std::to_string(effect.sim().transport().location) + ": " + message);
    }

    static std::string number(double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", value);
        return text;
    }

    CheckContext& check;
    Instance& effect;
    RenderRun& render;
    double rate;
    const char* stretch = "";
    bool havePrevious = false;
    double previousPpq = 0.0;
    int64_t previousLocation = 0;
    double previousTempo = 0.0;
};

}  // namespace

void checkTransportTime(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    if (instance->probeIndex() < 0) context.abort("the validator's probe did not see the plug-in instance");
    session.probe().setAskTime(true);
    RenderRun run(context, *instance, nullptr, context.seed(), instance->facts().isSynth());
    run.setLabel("transport changes");
    TimeCheck time(context, *instance, run);
    const float rate = instance->settings().sampleRate;
    const int bar = static_cast<int>(rate * 2.2f) / kBlock;  // a bar at 90 BPM in 3/4, and some

    simhost::TransportSettings state;
    state.playing = false;
    time.play(state, 4, "stopped");
    state.playing = true;
    state.location = 0;
    time.play(state, 40, "playing from the start at 120 BPM");
    state = instance->sim().transport();
    state.tempo = 90.0;
    time.play(state, 40, "after a tempo change to 90 BPM");
    state = instance->sim().transport();
    state.location = static_cast<int64_t>(rate) * 30 + static_cast<int64_t>(context.uniform(0.0, rate));
    time.play(state, 20, "after a jump forward");
    state = instance->sim().transport();
    state.location = static_cast<int64_t>(rate) * 3;
    time.play(state, 20, "after a jump back");
    state = instance->sim().transport();
    state.meterNumerator = 3;
    time.play(state, bar, "in 3/4");
    state = instance->sim().transport();
    state.meterNumerator = 6;
    state.meterDenominator = 8;
    time.play(state, bar, "in 6/8");
    state = instance->sim().transport();
    state.meterNumerator = 4;
    state.meterDenominator = 4;
    state.tempo = 141.5;
    time.play(state, 40, "in 4/4 at 141.5 BPM");
    state = instance->sim().transport();
    state.playing = false;
    time.play(state, 8, "stopped again");
    state.playing = true;
    state.location = static_cast<int64_t>(rate) * 7;
    time.play(state, 40, "started again");
    if (context.level() >= 10) {
        state = instance->sim().transport();
        state.location = (int64_t{1} << 31) - 20 * kBlock;
        time.play(state, 40, "across sample 2^31");
    }
    session.probe().setAskTime(false);
    if (time.meterNotes > 0)
        context.note("in 3/4 and 6/8 the musical position does not follow the samples at the tempo (" +
                     std::to_string(time.meterNotes) +
                     " calls): the module counts bars times the meter's note value, which is right in 4/4 only");
}

}  // namespace korvex_validate
