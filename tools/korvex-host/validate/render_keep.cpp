// What a render stretch keeps for a failure: every frame it played (up to a limit), drawn around
// the first difference, and written out as files when the run keeps them.
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {
namespace {

// About 40 s at 48 kHz: more than any render check plays, and a bound on memory if one ever does.
constexpr size_t kMaxRecorded = size_t{1} << 21;
// The picture: this many frames before the first difference and after it.
constexpr int64_t kBefore = 48;
constexpr int64_t kAfter = 80;

void append(std::vector<std::vector<float>>& into, Buffers& buffers, bool input, int32_t frames) {
    into.resize(static_cast<size_t>(buffers.channels()));
    for (int32_t c = 0; c < buffers.channels(); ++c) {
        const std::vector<float>& samples = input ? buffers.input(c) : buffers.output(c);
        into[static_cast<size_t>(c)].insert(into[static_cast<size_t>(c)].end(), samples.begin(),
                                            samples.begin() + frames);
    }
}

std::vector<std::vector<float>> difference(const std::vector<std::vector<float>>& a,
                                           const std::vector<std::vector<float>>& b) {
    std::vector<std::vector<float>> out(std::min(a.size(), b.size()));
    for (size_t c = 0; c < out.size(); ++c) {
        const size_t frames = std::min(a[c].size(), b[c].size());
        out[c].resize(frames);
        for (size_t i = 0; i < frames; ++i) out[c][i] = a[c][i] - b[c][i];
    }
    return out;
}

// Two outputs around `at` as two charts: both waveforms, then their difference on its own scale
// (beside the signal a difference of a few units in the last place draws as a flat line).
void chartDifference(CheckContext& check, const std::string& what, double sampleRate, const std::vector<float>& a,
                     const std::string& aName, const std::vector<float>& b, const std::string& bName, int32_t channel,
                     int64_t at) {
    const int64_t recorded = static_cast<int64_t>(std::min(a.size(), b.size()));
    const int64_t from = std::max<int64_t>(0, at - kBefore), to = std::min(recorded, at + kAfter);
    if (from >= to) return;
    char title[200];
    std::snprintf(title, sizeof title, "%s: channel %d differs from frame %lld (%.4f s)", what.c_str(), channel,
                  static_cast<long long>(at), static_cast<double>(at) / sampleRate);
    Chart waves;
    waves.title = std::string(title) + ": both outputs";
    waves.xLabel = "frame";
    waves.yLabel = "sample value";
    waves.hasMarker = true;
    waves.markerX = static_cast<double>(at);
    waves.markerLabel = "first difference";
    Chart gaps = waves;
    gaps.title = std::string(title) + ": " + aName + " minus " + bName;
    gaps.yLabel = "difference";
    Series first{aName, {}, {}}, second{bName, {}, {}}, gap{"difference", {}, {}};
    for (int64_t i = from; i < to; ++i) {
        const auto index = static_cast<size_t>(i);
        for (Series* line : {&first, &second, &gap}) line->x.push_back(static_cast<double>(i));
        first.y.push_back(a[index]);
        second.y.push_back(b[index]);
        gap.y.push_back(static_cast<double>(a[index]) - b[index]);
    }
    waves.series = {first, second};
    gaps.series = {gap};
    check.chart(std::move(waves));
    check.chart(std::move(gaps));
}

}  // namespace

void RenderRun::keepPairDifference(CheckContext& context, const RenderRun& first, const std::string& firstName,
                                   const RenderRun& second, const std::string& secondName, int32_t channel,
                                   int64_t frame) {
    const auto c = static_cast<size_t>(channel);
    const double rate = first.effect.settings().sampleRate;
    if (c < first.recording.module.size() && c < second.recording.module.size())
        chartDifference(context, "two instances", rate, first.recording.module[c], firstName,
                        second.recording.module[c], secondName, channel, frame);
    if (!context.keeping()) return;
    const std::string folder = context.keepFolder();
    const int32_t sampleRate = static_cast<int32_t>(rate);
    for (const auto& [name, run] : {std::pair<const char*, const RenderRun*>{"first.wav", &first},
                                    std::pair<const char*, const RenderRun*>{"second.wav", &second}}) {
        const std::string why = writeWave((std::filesystem::path(folder) / name).string(), sampleRate,
                                          run->recording.module);
        if (!why.empty()) context.note(why);
    }
    if (!first.recording.input.empty())
        if (const std::string why = writeWave((std::filesystem::path(folder) / "input.wav").string(), sampleRate,
                                              first.recording.input);
            !why.empty())
            context.note(why);
    if (!first.recording.midi.empty()) context.keep("midi.mid", midiFileBytes(sampleRate, first.recording.midi));
}

void RenderRun::record(int32_t frames) {
    if (recording.truncated) return;
    if (!recording.module.empty() && recording.module[0].size() + static_cast<size_t>(frames) > kMaxRecorded) {
        recording.truncated = true;
        return;
    }
    append(recording.input, moduleSide, true, frames);
    append(recording.module, moduleSide, false, frames);
    for (const simhost::MidiPacket& packet : midi)
        recording.midi.push_back({frame + static_cast<int64_t>(packet.frame), {packet.status, packet.data1, packet.data2}});
}

void RenderRun::keepCommon() {
    if (!check.keeping()) return;
    const std::string folder = check.keepFolder();
    const int32_t rate = static_cast<int32_t>(effect.settings().sampleRate);
    const auto wave = [&](const char* name, const std::vector<std::vector<float>>& channels) {
        if (channels.empty()) return;
        const std::string why = writeWave((std::filesystem::path(folder) / name).string(), rate, channels);
        if (!why.empty()) check.note(why);
    };
    wave("input.wav", recording.input);
    wave("module.wav", recording.module);
    if (!recording.direct.empty()) {
        wave("direct.wav", recording.direct);
        wave("difference.wav", difference(recording.module, recording.direct));
    }
    if (!recording.midi.empty()) check.keep("midi.mid", midiFileBytes(rate, recording.midi));
    if (recording.truncated)
        check.note("the files hold the first " + std::to_string(kMaxRecorded) + " frames of the stretch only");
}

void RenderRun::keepOutput() { keepCommon(); }

void RenderRun::keepDifference(int32_t channel, int64_t at) {
    const auto c = static_cast<size_t>(channel);
    if (c < recording.module.size() && c < recording.direct.size())
        chartDifference(check, label, effect.settings().sampleRate, recording.module[c], "through the module",
                        recording.direct[c], "hosted directly", channel, at);
    keepCommon();
}

}  // namespace korvex_validate
