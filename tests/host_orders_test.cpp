// Orders real hosts and plug-ins use that the plain simulated host does not: channel declarations
// that grow after preparation, a block longer than the prepared frames with a note late in it, and
// an editor closed before its view is detached while the host's window goes with its container.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "simhost/dynamic_library.h"
#include "simhost/sim_editor.h"
#include "vst/channel_arrays.h"
#include "wrapper_fixture.h"

using simhost::SimEffectInstance;

namespace {

constexpr int32_t kFrames = 64;
constexpr float kInput = 0.25f;
constexpr float kMarker = -7.0f;  // what the host's output buffers hold before each call

class HostOrders : public testing_support::WrapperTest {
protected:
    void SetUp() override { ASSERT_TRUE(hooks.ready()) << "the recording plug-in is not built"; }

    void installRecording(const recording::RecordingConfig& config) {
        hooks.configure(config);
        install(testing_support::recordingLibrary());
        setChannels = reinterpret_cast<KorvexRecordingSetChannelsProc>(
            simhost::librarySymbol(simhost::openLibrary(vst->libraryPath()), "korvexRecordingSetChannels"));
        ASSERT_NE(setChannels, nullptr);
    }

    // One block of constant input with the host's output buffers marked first: the plug-in (which
    // copies its inputs) must be called, and every output sample must be its output.
    void expectRendered(SimEffectInstance& instance, const std::string& when) {
        SCOPED_TRACE(when);
        const recording::RecordingLog& log = logOf(instance);
        const int32_t channels = instance.channels();
        std::vector<std::vector<float>> in(static_cast<size_t>(channels), std::vector<float>(kFrames, kInput));
        std::vector<std::vector<float>> out(static_cast<size_t>(channels), std::vector<float>(kFrames, 0.0f));
        std::vector<const float*> inputs;
        std::vector<float*> outputs;
        for (int32_t c = 0; c < channels; ++c) {
            inputs.push_back(in[static_cast<size_t>(c)].data());
            outputs.push_back(out[static_cast<size_t>(c)].data());
            std::fill(instance.context().output(c), instance.context().output(c) + kFrames, kMarker);
        }
        const uint32_t blocks = log.processBlocks.load();
        ASSERT_TRUE(instance.render(inputs.data(), outputs.data(), kFrames));
        EXPECT_EQ(log.processBlocks.load(), blocks + 1) << "the plug-in was not processed";
        int32_t stale = 0;
        for (const auto& channel : out)
            for (float sample : channel) stale += sample == kMarker ? 1 : 0;
        EXPECT_EQ(stale, 0) << "output samples kept what the host's buffers held before the call";
        EXPECT_EQ(out.front().back(), kInput);
    }

    KorvexRecordingSetChannelsProc setChannels = nullptr;
};

TEST_F(HostOrders, OutputsThatGrowWithEffSetChunkAreStillRendered) {
    recording::RecordingConfig config;
    config.outputsAfterSetChunk = 4;
    installRecording(config);
    SimEffectInstance& instance = make();
    expectRendered(instance, "before effSetChunk");
    std::vector<uint8_t> state;
    ASSERT_EQ(instance.saveChunk(state), 0);
    ASSERT_EQ(instance.loadChunk(state), 0);
    ASSERT_EQ(effectOf(instance)->numOutputs, 4);
    expectRendered(instance, "after effSetChunk made it declare 4 outputs");
}

TEST_F(HostOrders, ChannelsThatGrowWithAudioMasterIOChangedAreStillRendered) {
    installRecording(recording::RecordingConfig{});
    SimEffectInstance& instance = make();
    expectRendered(instance, "as first declared");
    setChannels(effectOf(instance), 2, 6);
    expectRendered(instance, "after audioMasterIOChanged with 6 outputs");
    setChannels(effectOf(instance), 4, 8);
    expectRendered(instance, "after audioMasterIOChanged with 4 inputs and 8 outputs");
}

// A host block longer than the prepared frames reaches a plug-in with extra channels in pieces;
// each piece must carry its own MIDI and its own position, as if the host had sent short blocks.
TEST_F(HostOrders, LongBlockWithExtraChannelsDeliversALateNoteInThePieceThatHoldsIt) {
    recording::RecordingConfig config;
    config.numOutputs = 4;
    config.askTimeInProcess = 1;
    installRecording(config);
    constexpr int32_t kLongBlock = 10000;
    constexpr uint32_t kNoteFrame = 9000;
    constexpr int64_t kLocation = 48000;
    constexpr double kQuartersPerFrame = 120.0 / 60.0 / 48000.0;
    ASSERT_GT(kLongBlock, ChannelArrays::kPreparedFrames) << "the block must need pieces";
    simhost::InstanceOptions options;
    options.maxFrames = kLongBlock;
    SimEffectInstance& instance = make(options);
    simhost::TransportSettings transport;
    transport.playing = true;
    transport.location = kLocation;
    instance.setTransport(transport);
    ASSERT_TRUE(instance.render(nullptr, nullptr, kFrames));  // the transport has started before the long block

    const recording::RecordingLog& log = logOf(instance);
    const uint32_t from = log.size();
    ASSERT_TRUE(instance.render(nullptr, nullptr, kLongBlock, {{kNoteFrame, 0x90, 60, 100}}));

    struct Piece {
        int32_t start;
        int32_t frames;
        double samplePos;
        double ppq;
    };
    std::vector<Piece> pieces;
    int32_t notePiece = -1;
    int32_t noteDelta = -1;
    int32_t done = 0;
    for (uint32_t i = from; i < log.size(); ++i) {
        const recording::RecordedCall& call = log[i];
        if (call.kind == recording::CallKind::ProcessReplacing) {
            pieces.push_back({done, call.frames, call.time.samplePos, call.time.ppqPos});
            EXPECT_TRUE(call.gotTime) << "piece " << pieces.size() - 1 << " got no time record";
            done += call.frames;
        } else if (call.kind == recording::CallKind::Dispatch && call.opcode == effProcessEvents && call.numEvents > 0 &&
                   static_cast<uint8_t>(call.events[0].midiData[0]) == 0x90) {
            notePiece = static_cast<int32_t>(pieces.size());  // the next piece is the one it was sent for
            noteDelta = call.events[0].deltaFrames;
        }
    }
    ASSERT_GE(pieces.size(), 2u);
    EXPECT_EQ(done, kLongBlock) << "the pieces do not cover the block";
    ASSERT_GE(notePiece, 0) << "the note never reached the plug-in";
    ASSERT_LT(notePiece, static_cast<int32_t>(pieces.size())) << "the note came after the last piece";
    const Piece& holder = pieces[static_cast<size_t>(notePiece)];
    EXPECT_LE(holder.start, static_cast<int32_t>(kNoteFrame)) << "the note was sent before the piece that holds it";
    EXPECT_GT(holder.start + holder.frames, static_cast<int32_t>(kNoteFrame)) << "the note was sent for an earlier piece";
    EXPECT_EQ(noteDelta, static_cast<int32_t>(kNoteFrame) - holder.start) << "the note's offset within its piece";
    for (const Piece& piece : pieces) {
        SCOPED_TRACE("piece from frame " + std::to_string(piece.start));
        EXPECT_EQ(piece.samplePos, static_cast<double>(kLocation + kFrames + piece.start));
        EXPECT_NEAR(piece.ppq - pieces.front().ppq, piece.start * kQuartersPerFrame, 1e-6);
    }
}

// A host that closes the editor before it detaches the view, or lets go of it without detaching,
// and whose view container destroys the window with its last reference: the plug-in's editor must
// be closed, once, while the window it lives in still exists.
TEST_F(HostOrders, EditorClosedBeforeItsViewIsDetachedClosesThePlugInEditorFirst) {
    installRecording(recording::RecordingConfig{});
    simhost::HostPersonality editorFirst;
    editorFirst.editorReleasedFirst = true;
    simhost::InstanceOptions options;
    options.personality = editorFirst;
    enum class Order { ReleasedWithoutDetach, UninitializedThenDetached, DetachedThenReleased };
    for (Order order : {Order::ReleasedWithoutDetach, Order::UninitializedThenDetached, Order::DetachedThenReleased}) {
        SCOPED_TRACE(static_cast<int>(order));
        SimEffectInstance& instance = make(options);
        const recording::RecordingLog& log = logOf(instance);
        bool destroyed = false;
        size_t closesWhenDestroyed = 0;
        auto editor = std::make_unique<simhost::SimEditor>(*host, instance);
        editor->onWindowDestroyed([&] {
            destroyed = true;
            closesWhenDestroyed = log.dispatches(effEditClose).size();
        });
        ASSERT_EQ(editor->attachPretendWindow(), 0);
        ASSERT_EQ(log.dispatches(effEditOpen).size(), 1u);
        switch (order) {
        case Order::ReleasedWithoutDetach:
            break;
        case Order::UninitializedThenDetached:
            EXPECT_EQ(editor->detach(), 0);
            break;
        case Order::DetachedThenReleased: {
            const auto hold = instance.mainThreadCall();
            EXPECT_EQ(editor->gui()->AttachViewContainer(nullptr), 0);
            break;
        }
        }
        editor.reset();
        EXPECT_TRUE(destroyed) << "the module kept the host's view container";
        EXPECT_EQ(log.dispatches(effEditClose).size(), 1u) << "effEditClose was not sent exactly once";
        EXPECT_EQ(closesWhenDestroyed, 1u) << "the window was destroyed before effEditClose";
    }
}

}  // namespace
