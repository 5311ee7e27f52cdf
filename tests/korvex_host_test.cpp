// The built korvex-host binary: renders, parameter table, state files and its one-line errors.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "install_folder.h"
#include "tools/korvex-host/audio_io.h"

namespace {

namespace fs = std::filesystem;
using korvex_host::AudioBuffer;
using korvex_host::peakOf;
using korvex_host::readAudioFile;
using testing_support::buildDir;

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Each test gets a scratch folder; the binary runs with its output captured in files there.
class KorvexHost : public ::testing::Test {
protected:
    void SetUp() override {
        binary = buildDir() / "korvex-host";
        if (!fs::exists(binary)) GTEST_SKIP() << "korvex-host is not built at " << binary;
        scratch = fs::temp_directory_path() /
                  ("korvex-host-test-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(scratch);
        fs::create_directories(scratch);
    }
    void TearDown() override {
        std::error_code ignored;
        if (!scratch.empty()) fs::remove_all(scratch, ignored);
    }

    Outcome run(const std::string& arguments) const {
        const fs::path out = scratch / "stdout.txt", err = scratch / "stderr.txt";
        const std::string command =
            binary.string() + " " + arguments + " >" + out.string() + " 2>" + err.string() + " </dev/null";
        const int status = std::system(command.c_str());
        Outcome result;
        result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = slurp(out);
        result.err = slurp(err);
        return result;
    }
    std::string path(const std::string& name) const { return (scratch / name).string(); }
    void writeBytes(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream(scratch / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }

    fs::path binary;
    fs::path scratch;
};

const std::string kDemoSong = std::string(KORVEX_SOURCE_DIR) + "/tools/korvex-host/demo/demo.mid";

void expectOneErrorLine(const Outcome& run, const std::string& expected) {
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.rfind("korvex-host: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(expected), std::string::npos) << "stderr: " << run.err;
}

TEST_F(KorvexHost, EveryBadInputGivesOneLineAndExitCodeOne) {
    const std::string out = " --out " + path("out.wav");
    writeBytes("foreign.state", {'K', 'V', 'X', 'C', 'X', 'Y', 'Z', 'W', 0, 0, 0, 0});
    writeBytes("truncated.state", {'K', 'V', 'X', 'C', 'K', 'r', 'V', 'x', 0, 0, 0, 9, 1});
    writeBytes("not-audio.wav", {'R', 'I', 'F', 'F', 1, 2, 3});

    const std::vector<std::pair<std::string, std::string>> cases = {
        {"render --in " + path("missing.wav") + out, "cannot read audio file"},
        {"render --in " + path("not-audio.wav") + out, "cannot read audio file"},
        {"render --set no_such_id=0.5" + out, "unknown parameter ID 'no_such_id'"},
        {"render --set gain=1.5" + out, "[0, 1]"},
        {"render --set gain=-0.1" + out, "[0, 1]"},
        {"render --set gain=loud" + out, "not a number"},
        {"render --set gain" + out, "ID=VALUE"},
        {"render --meter 4" + out, "--meter"},
        {"render --meter 3/5" + out, "power of two"},
        {"render --meter 0/4" + out, "--meter"},
        {"render --rate fast" + out, "--rate"},
        {"render --rate 12" + out, "--rate"},
        {"render --block 0" + out, "--block"},
        {"render --block 100000" + out, "--block"},
        {"render --tempo 0" + out, "--tempo"},
        {"render --midi " + path("not-audio.wav") + out, "not a Standard MIDI File"},
        {"render", "--out"},
        {"render --state-in " + path("foreign.state") + out, "'XYZW'"},
        {"state load " + path("truncated.state"), "damaged"},
        {"state load " + path("not-audio.wav"), "not a korvex-host state file"},
        {"--vst " + path("missing.so") + " params", "VST plug-in not found"},
        {"--vst " + path("not-audio.wav") + " params", "exists but is not a library"},
        {"--module " + path("not-audio.wav") + " params", "cannot load module"},
    };
    for (const auto& [arguments, expected] : cases) {
        SCOPED_TRACE(arguments);
        expectOneErrorLine(run(arguments), expected);
    }
    EXPECT_FALSE(fs::exists(path("out.wav"))) << "a failed render must not leave an output file";
}

TEST_F(KorvexHost, AChunkThatReadsBackDifferentlyIsReportedAndTheCommandGoesOn) {
    ASSERT_EQ(run("state save " + path("good.state")).code, 0);
    std::string bytes = slurp(path("good.state"));
    ASSERT_GT(bytes.size(), 16u);
    bytes[12] ^= 0x55;  // the plug-in's own magic, damaged: same chunk ID, data the plug-in refuses
    writeBytes("bad.state", std::vector<uint8_t>(bytes.begin(), bytes.end()));
    const std::string size = std::to_string(bytes.size() - 12);

    // Plug-ins that re-encode their state read back differently too; the verdict is validate's.
    const Outcome load = run("state load " + path("bad.state"));
    EXPECT_EQ(load.code, 0) << load.err;
    EXPECT_EQ(std::count(load.err.begin(), load.err.end(), '\n'), 1) << load.err;
    EXPECT_NE(load.err.find("korvex-host: warning: after loading " + path("bad.state") +
                            " the plug-in gives back another chunk: " + size + " bytes loaded, " + size +
                            " bytes read back, first difference at byte 0"),
              std::string::npos)
        << load.err;
    EXPECT_EQ(load.out.find("unchanged"), std::string::npos) << load.out;

    const Outcome render = run("render --seconds 0.1 --state-in " + path("bad.state") + " --out " + path("out.wav"));
    EXPECT_EQ(render.code, 0) << render.err;
    EXPECT_NE(render.err.find("gives back another chunk"), std::string::npos) << render.err;
    EXPECT_TRUE(fs::exists(path("out.wav")));
}

// A plug-in writing NaN must not pass for silence, and a crashing one ends the tool with one line
// naming the command and the call.
TEST_F(KorvexHost, NonFiniteOutputAndPlugInCrashesEndCommandsWithOneLine) {
    const std::string plugins = (buildDir() / "plugins").string();
    const Outcome nan = run("--vst " + plugins + "/nanout.so render --seconds 0.1 --out " + path("nan.wav"));
    expectOneErrorLine(nan, "the plug-in wrote 9600 non-finite samples (NaN or infinity), the first at frame 0 of channel 0");
    EXPECT_EQ(nan.out.find("silent"), std::string::npos) << nan.out;
    EXPECT_NE(nan.out.find("9600 samples NaN or infinite"), std::string::npos) << nan.out;

    const std::vector<std::pair<std::string, std::string>> crashes = {
        {"processReplacing", "render --seconds 0.1 --out " + path("crash.wav")},
        {"effOpen", "params"},
        {"effGetChunk", "state save " + path("crash.state")},
        {"setParameter", "render --set gain=0.2 --seconds 0.1 --out " + path("crash.wav")},
    };
    const std::vector<std::string> expected = {
        "korvex-host: render: the plug-in crashed during processReplacing, through the module's render callback (SIGSEGV)\n",
        "korvex-host: params: the plug-in crashed during making the effect instance (the plug-in's main entry, effOpen "
        "and its parameter queries) (SIGSEGV)\n",
        "korvex-host: state save: the plug-in crashed during effGetChunk, through the module's GetChunk (SIGSEGV)\n",
        "korvex-host: render: the plug-in crashed during setParameter, through the module's UpdateParameterNormalizedValue "
        "(SIGSEGV)\n",
    };
    for (size_t i = 0; i < crashes.size(); ++i) {
        ::setenv("KORVEX_CRASH_IN", crashes[i].first.c_str(), 1);
        const Outcome crash = run("--vst " + plugins + "/crashing.so " + crashes[i].second);
        ::unsetenv("KORVEX_CRASH_IN");
        EXPECT_EQ(crash.code, 1) << crashes[i].second;
        EXPECT_EQ(crash.err, expected[i]);
    }
}

TEST_F(KorvexHost, RendersTheDemoSongToItsLengthAndMidiMakesTheSound) {
    const Outcome song = run("render --midi " + kDemoSong + " --out " + path("song.wav") + " --tail 0.5");
    ASSERT_EQ(song.code, 0) << song.err;
    EXPECT_NE(song.out.find("40 MIDI events"), std::string::npos) << song.out;
    const AudioBuffer rendered = readAudioFile(path("song.wav"));
    EXPECT_EQ(rendered.sampleRate, 48000);
    EXPECT_EQ(rendered.channelCount(), 2);
    // The song ends with its last note off, 20 ticks before beat 16 at 120 bpm (480 ticks a beat).
    const int64_t songFrames = std::llround((16 * 480 - 20) / 480.0 * 0.5 * 48000);
    EXPECT_EQ(rendered.frames(), songFrames + 24000);
    EXPECT_NE(song.out.find("rendered " + std::to_string(songFrames + 24000) + " frames"), std::string::npos);

    // With silence in, whatever comes out was played by the MIDI notes.
    korvex_host::writeAudioFile(path("silence.wav"), korvex_host::makeSilence(44100, 2, 30000));
    const Outcome quiet = run("render --in " + path("silence.wav") + " --out " + path("quiet.wav"));
    const Outcome played =
        run("render --in " + path("silence.wav") + " --midi " + kDemoSong + " --out " + path("played.wav"));
    ASSERT_EQ(quiet.code, 0) << quiet.err;
    ASSERT_EQ(played.code, 0) << played.err;
    const AudioBuffer quietAudio = readAudioFile(path("quiet.wav"));
    const AudioBuffer playedAudio = readAudioFile(path("played.wav"));
    EXPECT_EQ(quietAudio.sampleRate, 44100) << "the input's rate is the render's rate";
    EXPECT_EQ(playedAudio.frames(), 30000);
    EXPECT_EQ(peakOf(quietAudio), 0.0f);
    EXPECT_GT(peakOf(playedAudio), 0.01f);
}

TEST_F(KorvexHost, InputLengthBlockSizeMonoAndBypassShapeTheOutput) {
    AudioBuffer input = korvex_host::makeTestSignal(48000, 1, 10007);  // not a multiple of the block
    for (size_t i = 0; i < input.channels[0].size(); ++i) input.channels[0][i] *= (i % 7 == 0) ? -1.0f : 1.0f;
    korvex_host::writeAudioFile(path("in.wav"), input);

    const Outcome mono = run("render --mono --block 100 --in " + path("in.wav") + " --out " + path("mono.wav"));
    ASSERT_EQ(mono.code, 0) << mono.err;
    EXPECT_NE(mono.out.find("10007 frames in 101 blocks"), std::string::npos) << mono.out;
    const AudioBuffer monoOut = readAudioFile(path("mono.wav"));
    EXPECT_EQ(monoOut.channelCount(), 1);
    EXPECT_EQ(monoOut.frames(), 10007);
    EXPECT_GT(peakOf(monoOut), 0.0f);

    // The bypass has the empty ID; bypassed, the reference plug-in passes its input through.
    const Outcome bypassed = run("render --set =1 --in " + path("in.wav") + " --out " + path("bypassed.wav"));
    ASSERT_EQ(bypassed.code, 0) << bypassed.err;
    const AudioBuffer through = readAudioFile(path("bypassed.wav"));
    ASSERT_EQ(through.channelCount(), 2);
    EXPECT_EQ(through.channels[0], input.channels[0]);
    EXPECT_EQ(through.channels[1], input.channels[0]);

    const Outcome silenced = run("render --set gain=0 --set osc_level=0 --set input_level=0 --seconds 0.5 --out " +
                             path("silenced.wav"));
    ASSERT_EQ(silenced.code, 0) << silenced.err;
    EXPECT_NE(silenced.out.find("24000 frames"), std::string::npos) << silenced.out;
    EXPECT_LT(peakOf(readAudioFile(path("silenced.wav"))), peakOf(monoOut));
}

TEST_F(KorvexHost, MonoRenderFirstNotesEverySideWhoseSecondChannelTheMonoComponentLeavesNull) {
    const std::string both = "korvex-host: note: the plug-in declares 2 inputs and 2 outputs, but the mono component";
    // The reference plug-in declares two of each and survives the null second channel.
    const Outcome mono = run("render --mono --seconds 0.1 --out " + path("mono.wav"));
    ASSERT_EQ(mono.code, 0) << mono.err;
    EXPECT_EQ(mono.err.rfind(both, 0), 0u) << mono.err;
    EXPECT_EQ(std::count(mono.err.begin(), mono.err.end(), '\n'), 1) << mono.err;
    const Outcome stereo = run("render --seconds 0.1 --out " + path("stereo.wav"));
    ASSERT_EQ(stereo.code, 0) << stereo.err;
    EXPECT_EQ(stereo.err.find("note:"), std::string::npos) << stereo.err;

    // Debian plug-ins: one input and two outputs, one of each, and one that does not survive.
    const std::string bitcrush = "/usr/lib/vst/MaBitcrush-vst.so", shifter = "/usr/lib/vst/CycleShifter-vst.so",
                      equaliser = "/usr/lib/vst/3BandEQ-vst.so";
    if (!fs::exists(bitcrush) || !fs::exists(shifter) || !fs::exists(equaliser))
        GTEST_SKIP() << "install dpf-plugins-vst for the rest of this test";
    const Outcome outputsOnly = run("--vst " + bitcrush + " render --mono --seconds 0.1 --out " + path("b.wav"));
    EXPECT_EQ(outputsOnly.err.rfind("korvex-host: note: the plug-in declares 2 outputs, but", 0), 0u) << outputsOnly.err;
    const Outcome single = run("--vst " + shifter + " render --mono --seconds 0.1 --out " + path("s.wav"));
    EXPECT_EQ(single.code, 0) << single.err;
    EXPECT_EQ(single.err.find("note:"), std::string::npos) << single.err;
    // Its crash is the module's behaviour for the mono component; the note comes before it.
    const Outcome crashing = run("--vst " + equaliser + " render --mono --seconds 0.1 --out " + path("e.wav"));
    EXPECT_EQ(crashing.err.rfind(both, 0), 0u) << crashing.err;
}

TEST_F(KorvexHost, StateSavedWithSettingsSoundsLikeTheSettingsAndSurvivesARender) {
    const std::string settings = " --set gain=0.9 --set cutoff=0.25 --set osc_wave=1";
    const Outcome save = run("state save " + path("a.state") + settings);
    ASSERT_EQ(save.code, 0) << save.err;
    const Outcome load = run("state load " + path("a.state"));
    ASSERT_EQ(load.code, 0) << load.err;
    EXPECT_NE(load.out.find("reads it back unchanged"), std::string::npos) << load.out;

    // The module does not refresh its own parameters from a chunk, so the sound is the proof:
    // the loaded state renders exactly as the settings do, and differently from the defaults.
    const std::string render = "render --seconds 0.3 --midi " + kDemoSong + " --out ";
    ASSERT_EQ(run(render + path("set.wav") + settings).code, 0);
    ASSERT_EQ(run(render + path("loaded.wav") + " --state-in " + path("a.state")).code, 0);
    ASSERT_EQ(run(render + path("default.wav")).code, 0);
    EXPECT_EQ(readAudioFile(path("loaded.wav")).channels, readAudioFile(path("set.wav")).channels);
    EXPECT_NE(readAudioFile(path("default.wav")).channels, readAudioFile(path("set.wav")).channels);

    // A render that loads the state and changes nothing saves the same chunk again...
    const Outcome again = run(render + path("out.wav") + " --state-in " + path("a.state") + " --state-out " +
                              path("b.state"));
    ASSERT_EQ(again.code, 0) << again.err;
    EXPECT_EQ(slurp(path("a.state")), slurp(path("b.state")));
    // ...and a --set after --state-in wins over the saved value.
    ASSERT_EQ(run(render + path("out.wav") + " --state-in " + path("a.state") + " --set gain=0.1 --state-out " +
                  path("c.state"))
                  .code,
              0);
    EXPECT_NE(slurp(path("a.state")), slurp(path("c.state")));
}

TEST_F(KorvexHost, ParamsListsTheBypassFirstThenThePlugInsParameters) {
    const Outcome table = run("params --json");
    ASSERT_EQ(table.code, 0) << table.err;
    const nlohmann::json json = nlohmann::json::parse(table.out);
    ASSERT_TRUE(json.is_array());
    ASSERT_GE(json.size(), 2u);
    EXPECT_EQ(json[0]["id"], "");
    EXPECT_EQ(json[0]["name"], "Master Bypass");
    bool sawGain = false;
    for (size_t i = 0; i < json.size(); ++i) {
        EXPECT_EQ(json[i]["index"], i);
        if (json[i]["id"] == "gain") {
            sawGain = true;
            EXPECT_DOUBLE_EQ(json[i]["value"].get<double>(), 0.5);
            EXPECT_EQ(json[i]["steps"], 65);
        }
    }
    EXPECT_TRUE(sawGain);

    const Outcome text = run("params");
    ASSERT_EQ(text.code, 0);
    EXPECT_EQ(text.out.rfind("index", 0), 0u);
    EXPECT_EQ(static_cast<size_t>(std::count(text.out.begin(), text.out.end(), '\n')), json.size() + 1);
}

// What a table or a file alone would hide is said on stderr, once, with stdout kept clean.
TEST_F(KorvexHost, NotesSayWhatTheTableOrTheFileWouldHide) {
    const std::string equaliser = "/usr/lib/vst/3BandEQ-vst.so", shifter = "/usr/lib/vst/CycleShifter-vst.so",
                      bitcrush = "/usr/lib/vst/MaBitcrush-vst.so";
    if (!fs::exists(equaliser) || !fs::exists(shifter) || !fs::exists(bitcrush))
        GTEST_SKIP() << "install dpf-plugins-vst for this test";
    // 3 Band EQ names no parameter IDs: the module offers none of its six.
    const Outcome params = run("--vst " + equaliser + " params --json");
    ASSERT_EQ(params.code, 0) << params.err;
    EXPECT_EQ(params.err, "korvex-host: note: 6 of the plug-in's 6 parameters are not offered to the host: the "
                          "plug-in names no parameter ID for them (private opcode -14), and host values and "
                          "automation reach parameters by ID\n");
    EXPECT_EQ(nlohmann::json::parse(params.out).size(), 1u) << "only the bypass";
    EXPECT_EQ(run("params").err, "") << "the reference plug-in offers every parameter";

    // It keeps no chunk either.
    const Outcome save = run("--vst " + equaliser + " state save " + path("eq.state"));
    ASSERT_EQ(save.code, 0) << save.err;
    EXPECT_NE(save.out.find(", 0 bytes,"), std::string::npos) << save.out;
    EXPECT_EQ(save.err.rfind("korvex-host: warning: the plug-in's chunk is empty", 0), 0u) << save.err;

    // One output in the stereo component: the right channel is silent, and the note says why.
    const Outcome stereo = run("--vst " + shifter + " render --seconds 0.1 --out " + path("s.wav"));
    ASSERT_EQ(stereo.code, 0) << stereo.err;
    EXPECT_EQ(stereo.err.rfind("korvex-host: note: the plug-in has one output; in the stereo component its right "
                               "channel stays silent",
                               0),
              0u)
        << stereo.err;
    const AudioBuffer rendered = readAudioFile(path("s.wav"));
    ASSERT_EQ(rendered.channelCount(), 2);
    EXPECT_EQ(*std::max_element(rendered.channels[1].begin(), rendered.channels[1].end()), 0.0f);

    // No editor: said before any window would open, so no display is needed to hear it.
    const Outcome editor = run("--vst " + bitcrush + " editor --ticks 0");
    expectOneErrorLine(editor, "editor: the plug-in has no editor (effFlagsHasEditor is clear)");
}

}  // namespace
