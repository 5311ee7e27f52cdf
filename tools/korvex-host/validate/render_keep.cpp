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

}  // namespace

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
    if (c < recording.module.size() && c < recording.direct.size()) {
        const int64_t recorded =
            static_cast<int64_t>(std::min(recording.module[c].size(), recording.direct[c].size()));
        const int64_t from = std::max<int64_t>(0, at - kBefore), to = std::min(recorded, at + kAfter);
        char title[160];
        std::snprintf(title, sizeof title, "%s: channel %d differs from frame %lld (%.4f s)", label.c_str(), channel,
                      static_cast<long long>(at), static_cast<double>(at) / effect.settings().sampleRate);
        Chart waves;
        waves.title = std::string(title) + ": both outputs";
        waves.xLabel = "frame";
        waves.yLabel = "sample value";
        waves.hasMarker = true;
        waves.markerX = static_cast<double>(at);
        waves.markerLabel = "first difference";
        // The difference gets a chart of its own: beside the signal, a difference of a few units
        // in the last place would draw as a flat line.
        Chart gaps = waves;
        gaps.title = std::string(title) + ": through the module minus hosted directly";
        gaps.yLabel = "difference";
        Series module{"through the module", {}, {}}, direct{"hosted directly", {}, {}}, gap{"difference", {}, {}};
        for (int64_t i = from; i < to; ++i) {
            const auto index = static_cast<size_t>(i);
            for (Series* line : {&module, &direct, &gap}) line->x.push_back(static_cast<double>(i));
            module.y.push_back(recording.module[c][index]);
            direct.y.push_back(recording.direct[c][index]);
            gap.y.push_back(static_cast<double>(recording.module[c][index]) - recording.direct[c][index]);
        }
        if (!module.x.empty()) {
            waves.series = {module, direct};
            gaps.series = {gap};
            check.chart(std::move(waves));
            check.chart(std::move(gaps));
        }
    }
    keepCommon();
}

}  // namespace korvex_validate
