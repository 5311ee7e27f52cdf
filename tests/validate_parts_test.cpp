// Parts the checks stand on: a check's context and how the runner catches what a check throws,
// the seeded stimulus, and the per-thread record of the call a fault happened in.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/fault_report_state.h"
#include "tools/korvex-host/validate/runner.h"
#include "tools/korvex-host/validate/signal.h"

namespace {

using namespace korvex_validate;

void failsOftenThenSkips(CheckContext& context) {
    for (int i = 0; i < 40; ++i) context.fail("failure " + std::to_string(i));
    context.note("a note");
    context.skip("skipped: too late to skip");
    context.figure("answer", 42.0);
}

void aborts(CheckContext& context) {
    context.note("before");
    context.abort("stopped here");
}

void throws(CheckContext&) { throw std::out_of_range("index 7"); }

void skips(CheckContext& context) { context.skip("skipped: nothing to do"); }

TEST(CheckContext, AFailureStandsThroughSkipsAndTheMessagesStayReadable) {
    const ValidateOptions options;
    const CheckResult many = runCheckHere({"x.many", 1, kNeedsNothing, "", failsOftenThenSkips}, options, 5);
    EXPECT_EQ(many.status, Status::Failed);
    EXPECT_EQ(many.seed, 5u);
    EXPECT_EQ(many.messages.front(), "failure 0");
    EXPECT_EQ(many.messages.back(), "... and 18 more messages like these");
    EXPECT_EQ(many.messages.size(), 25u);
    ASSERT_EQ(many.figures.size(), 1u);
    EXPECT_EQ(many.figures[0].value, 42.0);

    const CheckResult stopped = runCheckHere({"x.abort", 1, kNeedsNothing, "", aborts}, options, 1);
    EXPECT_EQ(stopped.status, Status::Failed);
    EXPECT_EQ(stopped.messages, (std::vector<std::string>{"note: before", "stopped here"}));

    const CheckResult thrown = runCheckHere({"x.throw", 1, kNeedsNothing, "", throws}, options, 1);
    EXPECT_EQ(thrown.status, Status::Failed);
    EXPECT_EQ(thrown.messages, std::vector<std::string>{"unexpected error: index 7"});

    const CheckResult skipped = runCheckHere({"x.skip", 1, kNeedsNothing, "", skips}, options, 1);
    EXPECT_EQ(skipped.status, Status::Skipped);
}

TEST(CheckContext, ASessionThatCannotStartFailsTheCheckWithTheReason) {
    ValidateOptions options;
    options.probePath = "/nonexistent/korvex-probe.so";
    const CheckResult result = runCheckHere(
        {"x.session", 1, kNeedsNothing, "", [](CheckContext& context) { context.session(); }}, options, 1);
    EXPECT_EQ(result.status, Status::Failed);
    ASSERT_FALSE(result.messages.empty());
    EXPECT_EQ(result.messages[0].rfind("cannot load the validator's probe library /nonexistent/korvex-probe.so", 0), 0u)
        << result.messages[0];
}

struct Played {
    std::vector<std::vector<float>> audio;
    std::vector<std::vector<simhost::MidiPacket>> midi;
};

Played play(uint64_t seed, const std::vector<int32_t>& blocks, size_t releaseAt) {
    Stimulus stimulus(seed, 48000.0, true, true);
    Buffers buffers(2, 4096);
    Played played;
    std::vector<simhost::MidiPacket> midi;
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (i == releaseAt) stimulus.releaseAll();
        stimulus.next(buffers, blocks[i], midi);
        played.audio.emplace_back(buffers.input(1).begin(), buffers.input(1).begin() + blocks[i]);
        played.midi.push_back(midi);
    }
    return played;
}

TEST(Stimulus, TheSameSeedPlaysTheSameAndEveryNoteEnds) {
    std::vector<int32_t> blocks;
    for (int i = 0; i < 300; ++i) blocks.push_back(i % 3 == 0 ? 1 : (i % 3 == 1 ? 511 : 4096));
    const Played a = play(77, blocks, 200), b = play(77, blocks, 200), c = play(78, blocks, 200);
    EXPECT_EQ(a.audio, b.audio);
    EXPECT_NE(a.audio, c.audio);

    std::map<int, int> sounding;
    size_t notes = 0;
    for (size_t i = 0; i < blocks.size(); ++i) {
        uint32_t previous = 0;
        EXPECT_LE(a.midi[i].size(), 256u) << "more than a host's MIDI node carries";
        for (const simhost::MidiPacket& packet : a.midi[i]) {
            EXPECT_LT(packet.frame, static_cast<uint32_t>(blocks[i])) << "block " << i;
            EXPECT_GE(packet.frame, previous) << "packets in time order";
            previous = packet.frame;
            if ((packet.status & 0xF0) == 0x90) {
                ++sounding[packet.data1];
                ++notes;
            } else {
                --sounding[packet.data1];
            }
            if (i > 200) {
                EXPECT_NE(packet.status & 0xF0, 0x90) << "a note after releaseAll";
            }
        }
    }
    EXPECT_GT(notes, 20u);
    for (const auto& [key, count] : sounding) EXPECT_EQ(count, 0) << "key " << key << " never ended";
    for (size_t i = 0; i < blocks.size(); ++i) {
        ASSERT_EQ(b.midi[i].size(), a.midi[i].size());
        for (size_t k = 0; k < a.midi[i].size(); ++k)
            EXPECT_TRUE(b.midi[i][k].frame == a.midi[i][k].frame && b.midi[i][k].status == a.midi[i][k].status &&
                        b.midi[i][k].data1 == a.midi[i][k].data1 && b.midi[i][k].data2 == a.midi[i][k].data2);
    }
}

TEST(FaultScopes, EachThreadNamesItsOwnCallAndWhatItWasDoing) {
    using namespace korvex_host;
    EXPECT_EQ(faultCallOfThisThread(), nullptr);
    {
        FaultScope outer("rendering");
        EXPECT_STREQ(faultCallOfThisThread(), "rendering");
        EXPECT_EQ(faultContextOfThisThread(), nullptr) << "one scope is a call, not a context as well";
        enterFaultCall("processReplacing");
        EXPECT_STREQ(faultCallOfThisThread(), "processReplacing");
        EXPECT_STREQ(faultContextOfThisThread(), "rendering");
        EXPECT_STREQ(lastFaultCall(), "processReplacing");

        const char* seen = "not asked";
        std::thread other([&seen] {
            seen = faultCallOfThisThread();
            FaultScope mine("effEditIdle");
        });
        other.join();
        EXPECT_EQ(seen, nullptr) << "another thread's calls are not this one's";
        EXPECT_STREQ(faultCallOfThisThread(), "processReplacing");
        leaveFaultCall();
        EXPECT_STREQ(currentFaultCall(), "rendering");
    }
    EXPECT_EQ(faultCallOfThisThread(), nullptr);
    EXPECT_EQ(lastFaultCall(), nullptr);
}

}  // namespace
