// `korvex-host render`: audio and MIDI through one effect instance, block by block, with the
// transport playing from the start, into a float WAV file.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "simhost/direct_vst_host.h"
#include "tools/korvex-host/audio_io.h"
#include "tools/korvex-host/commands.h"
#include "tools/korvex-host/effect_session.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/midi_file.h"
#include "tools/korvex-host/output_file.h"
#include "tools/korvex-host/progress.h"

namespace {

using korvex_host::AudioBuffer;

constexpr int32_t kMaxBlock = 8192;
constexpr int32_t kDefaultRate = 48000;
// A render call carries at most this many MIDI packets (the simulated host's node capacity);
// busier stretches are split into shorter calls.
constexpr size_t kPacketsPerCall = 256;

// Numeric options arrive as text so that every bad value gets our own one-line message.
struct RenderOptions {
    std::string in, out, midi, stateIn, stateOut;
    std::vector<std::string> settings;
    std::string tempo = "120", meter = "4/4", rate, block = "256", seconds, tail = "0";
    bool mono = false;
};

struct Meter {
    int32_t numerator = 4;
    int32_t denominator = 4;
};

[[noreturn]] void refuse(const std::string& option, const std::string& value, const std::string& why) {
    throw std::runtime_error(option + " " + value + ": " + why);
}

double parseNumber(const std::string& option, const std::string& text, double low, double high) {
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value)) refuse(option, text, "not a number");
    if (value < low || value > high) {
        char range[64];
        std::snprintf(range, sizeof range, "must lie in [%g, %g]", low, high);
        refuse(option, text, range);
    }
    return value;
}

int32_t parseWhole(const std::string& option, const std::string& text, int32_t low, int32_t high) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno == ERANGE) refuse(option, text, "not a whole number");
    if (value < low || value > high)
        refuse(option, text, "must lie in [" + std::to_string(low) + ", " + std::to_string(high) + "]");
    return static_cast<int32_t>(value);
}

Meter parseMeter(const std::string& text) {
    const size_t slash = text.find('/');
    if (slash == std::string::npos) refuse("--meter", text, "write it as beats/note, e.g. 4/4 or 6/8");
    Meter meter;
    // Each half is judged on its own, but the message names the whole value the user wrote.
    try {
        meter.numerator = parseWhole("--meter", text.substr(0, slash), 1, 64);
        meter.denominator = parseWhole("--meter", text.substr(slash + 1), 1, 64);
    } catch (const std::runtime_error&) {
        refuse("--meter", text, "beats and note value are whole numbers from 1 to 64, e.g. 4/4 or 6/8");
    }
    if ((meter.denominator & (meter.denominator - 1)) != 0) refuse("--meter", text, "the note value must be a power of two");
    return meter;
}

// The input file with the render's channel count; it decides the rate unless --rate disagrees.
AudioBuffer fileInput(const RenderOptions& options, int32_t channels, std::optional<int32_t> rate) {
    if (!options.seconds.empty()) throw std::runtime_error("--seconds applies only without --in");
    AudioBuffer audio = korvex_host::readAudioFile(options.in);
    if (rate && *rate != audio.sampleRate)
        throw std::runtime_error("--rate " + std::to_string(*rate) + ": " + options.in + " is at " +
                                 std::to_string(audio.sampleRate) + " Hz and is not resampled");
    return korvex_host::withChannelCount(std::move(audio), channels);
}

// Without an input file: --seconds of the test signal, else as long as the song, else 4 seconds.
AudioBuffer generatedInput(const RenderOptions& options, int32_t channels, int32_t sampleRate,
                           std::optional<int64_t> songFrames) {
    int64_t frames = std::llround(4.0 * sampleRate);
    if (!options.seconds.empty())
        frames = std::llround(parseNumber("--seconds", options.seconds, 0.001, 3600.0) * sampleRate);
    else if (songFrames)
        frames = std::max<int64_t>(*songFrames, 1);
    return korvex_host::makeTestSignal(sampleRate, channels, frames);
}

struct RenderStats {
    int64_t frames = 0;
    int64_t calls = 0;
};

RenderStats renderAll(simhost::SimEffectInstance& instance, const AudioBuffer& input, AudioBuffer& output,
                      const std::vector<korvex_host::MidiMessage>& midi, int32_t block) {
    const int32_t channels = output.channelCount();
    const int64_t total = output.frames();
    std::vector<const float*> in(static_cast<size_t>(channels));
    std::vector<float*> out(static_cast<size_t>(channels));
    std::vector<simhost::MidiPacket> packets;
    packets.reserve(kPacketsPerCall);
    korvex_host::ProgressBar progress(total, korvex_host::stderrIsTerminal(), "render");

    RenderStats stats;
    size_t nextMessage = 0;
    for (int64_t start = 0; start < total;) {
        int32_t frames = static_cast<int32_t>(std::min<int64_t>(block, total - start));
        packets.clear();
        while (nextMessage < midi.size() && midi[nextMessage].frame < start + frames) {
            const korvex_host::MidiMessage& message = midi[nextMessage];
            if (packets.size() == kPacketsPerCall) {
                // Cut the call short at this message, which then opens the next call.
                if (message.frame > start) frames = static_cast<int32_t>(message.frame - start);
                break;
            }
            packets.push_back({static_cast<uint32_t>(std::max<int64_t>(message.frame - start, 0)), message.status,
                               message.data1, message.data2});
            ++nextMessage;
        }
        for (int32_t c = 0; c < channels; ++c) {
            const auto& source = input.channels[static_cast<size_t>(c)];
            // Past the input's end (the tail) the plug-in hears silence.
            in[static_cast<size_t>(c)] =
                start + frames <= input.frames() ? source.data() + start : nullptr;
            out[static_cast<size_t>(c)] = output.channels[static_cast<size_t>(c)].data() + start;
        }
        std::vector<float> partial;
        if (start < input.frames() && start + frames > input.frames()) {
            // The block that straddles the input's end: the rest of the input, then silence.
            partial.assign(static_cast<size_t>(frames) * static_cast<size_t>(channels), 0.0f);
            for (int32_t c = 0; c < channels; ++c) {
                const auto& source = input.channels[static_cast<size_t>(c)];
                float* target = partial.data() + static_cast<size_t>(c) * static_cast<size_t>(frames);
                std::copy(source.begin() + start, source.end(), target);
                in[static_cast<size_t>(c)] = target;
            }
        }
        if (!instance.render(in.data(), out.data(), frames, packets))
            throw std::runtime_error("the simulated host could not render a block of " + std::to_string(frames) +
                                     " frames");
        start += frames;
        stats.frames = start;
        ++stats.calls;
        progress.update(start);
    }
    progress.finish();
    return stats;
}

// The mono component hands a plug-in null as its second input and output; one that declares a
// second channel on such a side may use it and crash, which the user should hear of first. The
// declaration is read from an instance of the plug-in's own, hosted directly and closed again.
void noteNullChannels(const std::string& library) {
    simhost::DirectVstHost probe;
    if (!probe.load(library)) return;
    const int32_t inputs = probe.effect()->numInputs;
    const int32_t outputs = probe.effect()->numOutputs;
    std::string sides;
    if (inputs > 1) sides = std::to_string(inputs) + " inputs";
    if (outputs > 1) sides += (sides.empty() ? "" : " and ") + std::to_string(outputs) + " outputs";
    if (sides.empty()) return;
    std::cerr << "korvex-host: note: the plug-in declares " << sides
              << ", but the mono component hands it null as the second channel; a plug-in that uses it crashes\n";
}

// The stereo component hands a plug-in of one output a second output channel it never writes:
// the right channel of the file stays silent, which should not pass for the plug-in's sound.
void noteSingleOutput(const std::string& library) {
    simhost::DirectVstHost probe;
    if (!probe.load(library)) return;
    if (probe.effect()->numOutputs != 1) return;
    std::cerr << "korvex-host: note: the plug-in has one output; in the stereo component its right channel stays "
                 "silent (--mono renders the mono component)\n";
}

// What the plug-in wrote: the loudest finite sample, and every sample that is no number at all.
struct OutputLevel {
    float peak = 0.0f;
    int64_t nonFinite = 0;
    int64_t firstFrame = -1;
    int32_t firstChannel = -1;
};

OutputLevel levelOf(const AudioBuffer& audio) {
    OutputLevel level;
    for (int32_t c = 0; c < audio.channelCount(); ++c) {
        const std::vector<float>& samples = audio.channels[static_cast<size_t>(c)];
        for (size_t i = 0; i < samples.size(); ++i) {
            const float x = samples[i];
            // A NaN compares false with everything, so the peak alone would call it silence.
            if (!std::isfinite(x)) {
                ++level.nonFinite;
                if (level.firstFrame < 0 || static_cast<int64_t>(i) < level.firstFrame) {
                    level.firstFrame = static_cast<int64_t>(i);
                    level.firstChannel = c;
                }
                continue;
            }
            level.peak = std::max(level.peak, std::fabs(x));
        }
    }
    return level;
}

std::string levelText(const OutputLevel& level) {
    char text[96];
    if (level.nonFinite > 0)
        std::snprintf(text, sizeof text, "%lld samples NaN or infinite, peak %.4f among the rest",
                      static_cast<long long>(level.nonFinite), static_cast<double>(level.peak));
    else if (level.peak > 0.0f)
        std::snprintf(text, sizeof text, "peak %.4f (%.1f dBFS)", static_cast<double>(level.peak),
                      20.0 * std::log10(level.peak));
    else
        std::snprintf(text, sizeof text, "peak 0 (silent)");
    return text;
}

void runRender(const RenderOptions& options) {
    if (options.out.empty()) throw std::runtime_error("render needs --out FILE");
    // Outputs are refused before any work, and written under temporary names until the end.
    korvex_host::checkOutputPath(options.out, "audio file");
    if (!options.stateOut.empty()) korvex_host::checkOutputPath(options.stateOut, "state file");
    if (!options.stateOut.empty() && options.stateOut == options.out)
        throw std::runtime_error("--state-out " + options.stateOut + ": the same file as --out");
    for (const std::string& setting : options.settings) korvex_host::parseSetting(setting);
    if (!options.stateIn.empty()) korvex_host::readStateFile(options.stateIn);
    const Meter meter = parseMeter(options.meter);
    const double tempo = parseNumber("--tempo", options.tempo, 1.0, 999.0);
    const int32_t block = parseWhole("--block", options.block, 1, kMaxBlock);
    std::optional<int32_t> rate;
    if (!options.rate.empty()) rate = parseWhole("--rate", options.rate, 8000, 384000);
    const double tailSeconds = parseNumber("--tail", options.tail, 0.0, 3600.0);
    const int32_t channels = options.mono ? 1 : 2;

    // The MIDI file's timing needs the rate, which an input file may decide.
    std::optional<AudioBuffer> fromFile;
    if (!options.in.empty()) fromFile = fileInput(options, channels, rate);
    const int32_t sampleRate = fromFile ? fromFile->sampleRate : rate.value_or(kDefaultRate);
    std::vector<korvex_host::MidiMessage> midi;
    std::optional<int64_t> songFrames;
    if (!options.midi.empty()) {
        korvex_host::MidiSong song = korvex_host::readMidiFile(options.midi, sampleRate);
        midi = std::move(song.messages);
        songFrames = song.endFrame;
    }
    const AudioBuffer input =
        fromFile ? std::move(*fromFile) : generatedInput(options, channels, sampleRate, songFrames);

    simhost::InstanceOptions instanceOptions;
    instanceOptions.stemFormat = options.mono ? simhost::kStemMono : simhost::kStemStereo;
    instanceOptions.sampleRate = static_cast<float>(sampleRate);
    instanceOptions.maxFrames = block;
    korvex_host::EffectSession session(instanceOptions);
    simhost::SimEffectInstance& instance = session.instance();
    if (options.mono) noteNullChannels(session.libraryPath());
    else noteSingleOutput(session.libraryPath());
    // A saved state first, so that --set changes it rather than being overwritten by it.
    if (!options.stateIn.empty()) {
        const korvex_host::LoadedState loaded = korvex_host::loadState(instance, options.stateIn);
        if (!loaded.readBack.empty()) std::cerr << korvex_host::readBackWarning(loaded, options.stateIn) << "\n";
    }
    korvex_host::applySettings(instance, options.settings);

    simhost::TransportSettings transport;
    transport.playing = true;
    transport.location = 0;
    transport.tempo = tempo;
    transport.meterNumerator = meter.numerator;
    transport.meterDenominator = meter.denominator;
    instance.setTransport(transport);

    AudioBuffer output =
        korvex_host::makeSilence(sampleRate, channels, input.frames() + std::llround(tailSeconds * sampleRate));
    RenderStats stats;
    {
        korvex_host::FaultScope scope("processReplacing, through the module's render callback");
        stats = renderAll(instance, input, output, midi, block);
    }
    // Both files or neither: the state is taken before the audio file takes its place.
    korvex_host::PendingOutput audioFile(options.out, "audio file");
    korvex_host::writeAudioFile(audioFile.temporaryPath(), output);
    std::optional<korvex_host::PendingOutput> stateFile;
    if (!options.stateOut.empty()) {
        size_t chunkBytes = 0;
        const std::vector<uint8_t> state = korvex_host::stateFileBytes(instance, &chunkBytes);
        stateFile.emplace(options.stateOut, "state file");
        korvex_host::writeOutputFile(stateFile->temporaryPath(), std::string(state.begin(), state.end()), "state file");
        if (chunkBytes == 0) std::cerr << korvex_host::emptyChunkWarning(options.stateOut) << "\n";
    }
    audioFile.commit();
    if (stateFile) stateFile->commit();

    const OutputLevel level = levelOf(output);
    std::cout << "rendered " << stats.frames << " frames in " << stats.calls << " blocks at " << sampleRate << " Hz, "
              << (options.mono ? "mono" : "stereo") << ", " << midi.size() << " MIDI events: " << levelText(level)
              << " -> " << options.out << "\n";
    if (level.nonFinite > 0)
        throw std::runtime_error("the plug-in wrote " + std::to_string(level.nonFinite) +
                                 " non-finite samples (NaN or infinity), the first at frame " +
                                 std::to_string(level.firstFrame) + " of channel " +
                                 std::to_string(level.firstChannel) + "; they are in " + options.out + " as written");
}

}  // namespace

void addRenderCommand(CLI::App& app) {
    auto* command = app.add_subcommand("render", "render audio and MIDI through the wrapped plug-in into a WAV file");
    static RenderOptions options;
    command->add_option("--in", options.in, "input audio file (default: a quiet 220 Hz sine)");
    command->add_option("--out", options.out, "output WAV file (32-bit float)");
    command->add_option("--midi", options.midi, "Standard MIDI File played from the start");
    command->add_option("--set", options.settings, "ID=VALUE: a normalized value delivered before rendering (several: a=1,b=0.5)")
        ->delimiter(',');
    command->add_option("--state-in", options.stateIn, "state file loaded before rendering");
    command->add_option("--state-out", options.stateOut, "state file written after rendering");
    command->add_option("--tempo", options.tempo, "transport tempo in beats per minute")->capture_default_str();
    command->add_option("--meter", options.meter, "transport meter")->capture_default_str();
    command->add_option("--rate", options.rate, "sample rate (default: the input's, else 48000)");
    command->add_option("--block", options.block, "frames per render call; the last may be shorter")
        ->capture_default_str();
    command->add_option("--seconds", options.seconds, "length of the generated signal (default 4, or the MIDI song)");
    command->add_option("--tail", options.tail, "seconds rendered past the input's end")->capture_default_str();
    command->add_flag("--mono", options.mono, "render the mono component instead of the stereo one");
    command->callback([] {
        korvex_host::installFaultReport("render");
        runRender(options);
    });
}
