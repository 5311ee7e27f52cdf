// The channel pointer arrays processReplacing hands a plug-in: as many entries as it declares.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "util/retired_objects.h"
#include "vst/vst_types.h"

// Entries 0 and 1 carry what the render callback chooses (the host's channels, or null); every
// further entry a plug-in declares points at a buffer of our own: inputs that read silence and
// outputs nobody hears. Everything is sized on the main thread; a render call only writes
// entries 0 and 1, re-zeroes the silence it hands out and calls the plug-in.
//
// A preparation builds a new layout and publishes it whole; the layout it replaces is freed only
// once no render call is inside, so a host that initialises again while it renders never pulls
// arrays out from under the plug-in, and the render thread never waits for that.
class ChannelArrays {
public:
    static constexpr int32_t kHostEntries = 2;        // never fewer entries than this on a side
    static constexpr int32_t kMaxChannels = 128;      // a declaration beyond this is not prepared
    static constexpr int32_t kPreparedFrames = 8192;  // frames per call the extra buffers hold

    // [render] Called before each piece of a block the plug-in gets: its first frame within the
    // block and its length (the whole block when it goes in one call). The render callback sends
    // the piece's MIDI and moves the transport there.
    using PieceHook = void (*)(void* context, int32_t offset, int32_t frames);

    explicit ChannelArrays(int32_t preparedFrames = kPreparedFrames);
    ~ChannelArrays();
    ChannelArrays(const ChannelArrays&) = delete;
    ChannelArrays& operator=(const ChannelArrays&) = delete;

    // [main] Sizes arrays and buffers for a plug-in declaring these counts (negative counts as 0).
    // False beyond kMaxChannels on either side: process() then never calls the plug-in. Counts
    // already prepared change nothing.
    bool prepare(int32_t declaredInputs, int32_t declaredOutputs);
    // [main] prepare() for the counts the plug-in declares now: after anything that may have
    // changed them (switching on, a restored chunk, the plug-in's own report of new counts).
    bool refresh(const AEffect& effect);

    // [render] processReplacing with in0/in1 and out0/out1 as entries 0 and 1, unchanged, and
    // the prepared buffers beyond. A plug-in with extra entries gets blocks longer than the
    // prepared frames as consecutive calls over offset pointers; one of at most two channels
    // a side always gets exactly one call. A plug-in that declares more than was prepared is not
    // called (it would read past the arrays): the host's outputs are silenced instead of left
    // holding an older block, and the next refresh prepares for it.
    void process(AEffect& effect, float* in0, float* in1, float* out0, float* out1, int32_t frames,
                 PieceHook beforePiece = nullptr, void* hookContext = nullptr);

    int32_t inputEntries() const;
    int32_t outputEntries() const;
    int32_t preparedFrames() const { return frameCapacity; }
    // [any] A render call found the plug-in declaring more than was prepared.
    bool outgrown() const { return outgrownFlag.load(std::memory_order_relaxed); }

private:
    struct Layout;

    void handOver(Layout& layout, AEffect& effect, float* in0, float* in1, float* out0, float* out1,
                  int32_t frames);
    void processPieces(Layout& layout, AEffect& effect, float* in0, float* in1, float* out0, float* out1,
                       int32_t frames, PieceHook beforePiece, void* hookContext);
    // [main] Frees replaced layouts when no render call is inside.
    void freeReplacedWhenIdle();

    const int32_t frameCapacity;  // [any: never changes]
    // [main publishes whole, render reads] the layout render calls use; never changed once published
    std::atomic<Layout*> current{nullptr};
    // [render: atomic] render calls between loading `current` and leaving
    std::atomic<int32_t> rendering{0};
    // [render sets, main clears] a render call met a plug-in declaring more than was prepared
    std::atomic<bool> outgrownFlag{false};
    RetiredObjects replaced;  // [main] layouts replaced while a render call may have held them
};
