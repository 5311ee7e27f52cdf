// One random host-call sequence through the module and the probe: instances made and released in
// any order, at any rate, stem and buffer size; parameters set to edge values; chunks saved,
// loaded, damaged; render batches of odd sizes with MIDI; transport jumps; editors opened, idled,
// reopened and closed around all of that (fuzz_editor_steps.cpp). Every step is written
// to standard error as it happens, with what the plug-in received so far, so a sequence that
// crashes or hangs leaves both sides of its story behind. The seed replays it exactly.
#include <algorithm>
#include <cmath>
#include <iterator>
#include <random>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/fuzz.h"
#include "tools/korvex-host/validate/fuzz_sequence.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/signal.h"

namespace korvex_validate {
namespace {

constexpr size_t kMaxInstances = 4;
constexpr float kSequenceRates[] = {8000.0f, 44100.0f, 44123.45f, 48000.0f, 96000.0f, 192000.0f};
constexpr int32_t kMaxFrames[] = {1, 64, 512, 4096, 8192};
constexpr double kEdgeValues[] = {0.0, 1.0, 0.5, 1e-9, 1.0 - 1e-9, 0.999999};

}  // namespace

FuzzSequence::FuzzSequence(CheckContext& check) : context(check), session(check.session()) {}

FuzzSequence::~FuzzSequence() = default;

void FuzzSequence::run() {
    const int steps = 20 + static_cast<int>(pick(60));
    for (step = 1; step <= steps && !context.failed(); ++step) {
        if (alive.empty() || (alive.size() < kMaxInstances && pick(6) == 0)) make();
        else act(alive[pick(alive.size())]);
    }
    while (!alive.empty()) release(pick(alive.size()));
    if (editors == Editors::fuzzed || editorsOpened > 0) context.figure("editors_opened", editorsOpened);
    if (editors == Editors::noEditor) context.figure("no_editor", 1.0);
    if (windowRefused) context.figure("no_window", 1.0);
}

size_t FuzzSequence::pick(size_t count) { return static_cast<size_t>(context.random()() % count); }

void FuzzSequence::say(const std::string& line) {
    std::fprintf(stderr, "%s%d: %s\n", kFuzzLinePrefix, step, line.c_str());
}

// The plug-in's side after each step, as the probe saw it.
void FuzzSequence::plugInSide(const Instance& instance) {
    const probe::InstanceLog& log = instance.log();
    char line[256];
    std::snprintf(line, sizeof line,
                  "   plug-in %d received: opens %d, closes %d, blocks %d, events %d, parameters %d, chunks %d",
                  instance.probeIndex(), log.opens.load(), log.closes.load(), log.blocks.load(), log.eventCount.load(),
                  log.setParameterCalls.load(), log.chunkLoads.load());
    char editorLine[64] = "";
    if (editors == Editors::fuzzed)
        std::snprintf(editorLine, sizeof editorLine, ", editor opens %d, editor closes %d", log.editorOpens.load(),
                      log.editorCloses.load());
    std::fprintf(stderr, "%s%d: %s%s\n", kFuzzLinePrefix, step, line, editorLine);
    std::fflush(stderr);
}

std::string FuzzSequence::instanceName(const Live& live) const {
    return "instance " + std::to_string(&live - alive.data());
}

void FuzzSequence::make() {
    InstanceSettings settings;
    settings.stemFormat = pick(4) == 0 ? simhost::kStemMono : simhost::kStemStereo;
    settings.sampleRate = kSequenceRates[pick(std::size(kSequenceRates))];
    settings.maxFrames = kMaxFrames[pick(std::size(kMaxFrames))];
    say("make an instance: " + std::string(settings.stemFormat == simhost::kStemMono ? "mono" : "stereo") + ", " +
        rateText(settings.sampleRate) + ", buffers of " + std::to_string(settings.maxFrames) + " frames");
    alive.push_back(Live{session.instance(settings), nullptr});
    plugInSide(*alive.back().instance);
}

void FuzzSequence::release(size_t which) {
    Live& live = alive[which];
    // Hosts release an instance whose editor is still open too; the module's editor then keeps
    // the plug-in alive until it closes.
    if (live.editor && pick(2) == 0) {
        releaseWithEditorOpen(which);
        return;
    }
    if (live.editor) closeEditor(live);
    say("release instance " + std::to_string(which));
    alive.erase(alive.begin() + static_cast<std::ptrdiff_t>(which));
}

void FuzzSequence::act(Live& live) {
    Instance& instance = *live.instance;
    // Without editors the choices are those of sequences before editors were fuzzed.
    switch (pick(editorsFuzzed(instance) ? 11 : 8)) {
    case 0: release(static_cast<size_t>(&live - alive.data())); return;
    case 1: case 2: setParameters(live); break;
    case 3: chunks(instance); break;
    case 4: transport(instance); break;
    case 5: case 6: case 7: render(live); break;
    default:
        if (!editorStep(live)) return;  // it released the instance
        break;
    }
    plugInSide(instance);
}

void FuzzSequence::setParameters(Live& live) {
    Instance& instance = *live.instance;
    const std::vector<simhost::ParameterInfo> parameters = instance.sim().parameterList();
    if (parameters.empty()) return;
    const int count = 1 + static_cast<int>(pick(8));
    for (int i = 0; i < count; ++i) {
        const simhost::ParameterInfo& parameter = parameters[pick(parameters.size())];
        const double value = pick(3) == 0 ? context.uniform() : kEdgeValues[pick(std::size(kEdgeValues))];
        char line[160];
        std::snprintf(line, sizeof line, "set %s to %.9g%s", parameter.id.c_str(), value,
                      live.editor ? ", and tell the open editor" : "");
        say(line);
        instance.set(parameter.id, value);
        // A host tells an open editor about every change it makes, as it happens.
        if (live.editor) live.editor->parameterChanged(parameter.id.c_str());
    }
}

void FuzzSequence::chunks(Instance& instance) {
    std::vector<uint8_t> data;
    const int32_t saved = instance.sim().saveChunk(data);
    Instance& into = *alive[pick(alive.size())].instance;
    switch (pick(4)) {
    case 0:
        if (!data.empty()) data[pick(data.size())] ^= static_cast<uint8_t>(1u << pick(8));
        say("save a chunk (result " + std::to_string(saved) + ", " + std::to_string(data.size()) +
            " bytes), flip a bit, load it");
        break;
    case 1:
        data.resize(pick(data.size() + 1));
        say("save a chunk, cut it to " + std::to_string(data.size()) + " bytes, load it");
        break;
    case 2:
        data.assign(pick(64), static_cast<uint8_t>(pick(256)));
        say("load " + std::to_string(data.size()) + " bytes that are no chunk");
        break;
    default:
        say("save a chunk (" + std::to_string(data.size()) + " bytes) and load it");
        break;
    }
    into.sim().loadChunk(data);
}

void FuzzSequence::transport(Instance& instance) {
    simhost::TransportSettings settings = instance.sim().transport();
    settings.playing = pick(3) != 0;
    settings.location = static_cast<int64_t>(pick(1u << 30));
    settings.tempo = 20.0 + context.uniform() * 280.0;
    char line[128];
    std::snprintf(line, sizeof line, "transport: %s at %lld, %.3f BPM", settings.playing ? "playing" : "stopped",
                  static_cast<long long>(settings.location), settings.tempo);
    say(line);
    instance.sim().setTransport(settings);
}

void FuzzSequence::render(Live& live) {
    Instance& instance = *live.instance;
    const int32_t largest = instance.settings().maxFrames;
    const int blocks = 1 + static_cast<int>(pick(16));
    Buffers buffers(instance.channels(), largest);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    for (int b = 0; b < blocks && !context.failed(); ++b) {
        const size_t kind = pick(4);
        const int32_t frames = kind == 0 ? 1 : kind == 1 ? largest : 1 + static_cast<int32_t>(pick(static_cast<size_t>(largest)));
        for (int32_t c = 0; c < instance.channels(); ++c)
            for (int32_t i = 0; i < frames; ++i) buffers.input(c)[static_cast<size_t>(i)] = noise(context.random());
        std::vector<simhost::MidiPacket> midi(pick(6));
        for (simhost::MidiPacket& packet : midi) {
            packet.frame = static_cast<uint32_t>(pick(static_cast<size_t>(frames)));
            packet.status = static_cast<uint8_t>(0x80 + pick(0x70));
            packet.data1 = static_cast<uint8_t>(pick(128));
            packet.data2 = static_cast<uint8_t>(pick(128));
        }
        std::stable_sort(midi.begin(), midi.end(), [](const simhost::MidiPacket& x, const simhost::MidiPacket& y) {
            return x.frame < y.frame;
        });
        say("render " + std::to_string(frames) + " frames with " + std::to_string(midi.size()) + " MIDI events" +
            (live.editor ? ", editor open" : ""));
        if (!instance.render(buffers.in(), buffers.out(), frames, midi)) {
            context.fail("step " + std::to_string(step) + ": the simulated host refused a render call of " +
                         std::to_string(frames) + " frames");
            return;
        }
        for (int32_t c = 0; c < instance.channels(); ++c)
            for (int32_t i = 0; i < frames; ++i)
                if (!std::isfinite(buffers.output(c)[static_cast<size_t>(i)])) {
                    context.fail("step " + std::to_string(step) + ": non-finite output on channel " +
                                 std::to_string(c) + " at frame " + std::to_string(i));
                    return;
                }
    }
}

namespace {

void fuzzSequence(CheckContext& context) {
    FuzzSequence sequence(context);
    sequence.run();
}

}  // namespace

const CheckInfo& fuzzCheck() {
    static const CheckInfo info{kFuzzCheckName, 0, kNeedsNothing, "one random host-call sequence (validate --fuzz)",
                                fuzzSequence};
    return info;
}

}  // namespace korvex_validate
