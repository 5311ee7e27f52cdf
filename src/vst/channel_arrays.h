// The channel pointer arrays processReplacing hands a plug-in: as many entries as it declares.
#pragma once

#include <cstdint>
#include <vector>

#include "vst/vst_types.h"

// Entries 0 and 1 carry what the render callback chooses (the host's channels, or null); every
// further entry a plug-in declares points at a buffer of our own: inputs that read silence and
// outputs nobody hears. Everything is sized on the main thread; a render call only writes
// entries 0 and 1, re-zeroes the silence it hands out and calls the plug-in.
class ChannelArrays {
public:
    static constexpr int32_t kHostEntries = 2;        // never fewer entries than this on a side
    static constexpr int32_t kMaxChannels = 128;      // a declaration beyond this is not prepared
    static constexpr int32_t kPreparedFrames = 8192;  // frames per call the extra buffers hold

    explicit ChannelArrays(int32_t preparedFrames = kPreparedFrames);
    ChannelArrays(const ChannelArrays&) = delete;
    ChannelArrays& operator=(const ChannelArrays&) = delete;

    // [main] Sizes arrays and buffers for a plug-in declaring these counts (negative counts as 0).
    // False beyond kMaxChannels on either side: process() then never calls the plug-in. Counts
    // already prepared change nothing, so a second initialisation frees nothing a render call uses.
    bool prepare(int32_t declaredInputs, int32_t declaredOutputs);

    // [render] processReplacing with in0/in1 and out0/out1 as entries 0 and 1, unchanged, and
    // the prepared buffers beyond. A plug-in with extra entries gets blocks longer than the
    // prepared frames as consecutive calls over offset pointers; one of at most two channels
    // a side always gets exactly one call. No call at all when the plug-in declares more than
    // was prepared (it would read past the arrays).
    void process(AEffect& effect, float* in0, float* in1, float* out0, float* out1, int32_t frames);

    int32_t inputEntries() const { return static_cast<int32_t>(inputs.size()); }
    int32_t outputEntries() const { return static_cast<int32_t>(outputs.size()); }
    int32_t preparedFrames() const { return frameCapacity; }

private:
    bool fits(const AEffect& effect) const;
    void handOver(AEffect& effect, float* in0, float* in1, float* out0, float* out1, int32_t frames);
    void processWithExtras(AEffect& effect, float* in0, float* in1, float* out0, float* out1, int32_t frames);

    // Written only by prepare() [main], which never overlaps a render call; read by render calls.
    int32_t frameCapacity;
    bool refused = false;                          // the last prepare() was beyond kMaxChannels
    bool extraEntries = false;                     // more than kHostEntries on some side
    // [render] entries 0 and 1 are rewritten by each call: one render thread per instance at a
    // time, as hosts render an instance; [main] the rest is fixed by prepare().
    std::vector<float*> inputs;
    std::vector<float*> outputs;
    std::vector<std::vector<float>> silence;       // entry 2 + i; [render] re-zeroed before each call
    std::vector<std::vector<float>> discard;       // entry 2 + i; written by the plug-in, never read
};
