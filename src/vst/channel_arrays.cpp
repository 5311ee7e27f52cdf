// Channel arrays sized to a plug-in's declaration, filled and handed over without allocating.
#include "vst/channel_arrays.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace {

int32_t entriesFor(int32_t declared) { return std::max(declared, ChannelArrays::kHostEntries); }

float* advanced(float* channel, int32_t frames) { return channel ? channel + frames : nullptr; }

// A plug-in may change its declaration on one thread while a render call reads it on another (a
// host switching it on again meanwhile): read as the single word it is, never torn or cached.
int32_t declared(const int32_t& field) {
#if defined(__GNUC__) || defined(__clang__)
    return __atomic_load_n(&field, __ATOMIC_RELAXED);
#else
    return *static_cast<const volatile int32_t*>(&field);
#endif
}

void silenceChannel(float* channel, int32_t frames) {
    if (channel && frames > 0) std::memset(channel, 0, sizeof(float) * static_cast<size_t>(frames));
}

}  // namespace

struct ChannelArrays::Layout {
    Layout(size_t inputCount, size_t outputCount, size_t frames, size_t spareFrames, bool refusedLayout)
        : refused(refusedLayout),
          inputEntries(static_cast<int32_t>(inputCount)),
          outputEntries(static_cast<int32_t>(outputCount)),
          spare(spareFrames, 0.0f),
          inputs(kMaxChannels, spare.data()),
          outputs(kMaxChannels, spare.data()),
          silence(inputCount - kHostEntries, std::vector<float>(frames, 0.0f)),
          discard(outputCount - kHostEntries, std::vector<float>(frames, 0.0f)) {
        for (size_t i = 0; i < silence.size(); ++i) inputs[kHostEntries + i] = silence[i].data();
        for (size_t i = 0; i < discard.size(); ++i) outputs[kHostEntries + i] = discard[i].data();
        extraEntries = !silence.empty() || !discard.empty();
    }

    bool fits(const AEffect& effect) const {
        return !refused && declared(effect.numInputs) <= inputEntries && declared(effect.numOutputs) <= outputEntries;
    }

    const bool refused;  // beyond kMaxChannels: the plug-in is never called
    const int32_t inputEntries;
    const int32_t outputEntries;
    bool extraEntries = false;
    // Where every entry past the declared ones points. A plug-in that raises its counts in the
    // middle of a render call (a host switching it on again meanwhile) reads on into them: its
    // garbage lands here instead of past the arrays.
    std::vector<float> spare;
    // [render] entries 0 and 1 are rewritten by each call: one render thread per instance at a
    // time, as hosts render an instance; the rest is fixed at construction.
    std::vector<float*> inputs;
    std::vector<float*> outputs;
    std::vector<std::vector<float>> silence;  // entry 2 + i; [render] re-zeroed before each call
    std::vector<std::vector<float>> discard;  // entry 2 + i; written by the plug-in, never read
};

ChannelArrays::ChannelArrays(int32_t preparedFrames)
    : frameCapacity(std::max(preparedFrames, 1)) {
    current.store(new Layout(kHostEntries, kHostEntries, 0, static_cast<size_t>(frameCapacity), false));
}

ChannelArrays::~ChannelArrays() {
    // Owners end the arrays only once the host renders the instance no more.
    delete current.load();
    replaced.freeAll();
}

int32_t ChannelArrays::inputEntries() const { return current.load()->inputEntries; }
int32_t ChannelArrays::outputEntries() const { return current.load()->outputEntries; }

bool ChannelArrays::prepare(int32_t declaredInputs, int32_t declaredOutputs) {
    // Another thread preparing holds this for a few allocations and calls nothing: a short wait.
    while (preparing.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
    bool prepared = false;
    try {
        prepared = prepareHeld(declaredInputs, declaredOutputs);
    } catch (...) {
        preparing.store(false, std::memory_order_release);
        throw;
    }
    preparing.store(false, std::memory_order_release);
    return prepared;
}

bool ChannelArrays::refreshOutsideRender(const AEffect& effect) {
    if (preparing.exchange(true, std::memory_order_acquire)) return false;
    bool prepared = false;
    // Sequentially consistent: a render call that starts after this look uses whatever is published.
    if (rendering.load() == 0) {
        try {
            prepared = prepareHeld(declared(effect.numInputs), declared(effect.numOutputs));
        } catch (...) {
        }
    }
    preparing.store(false, std::memory_order_release);
    return prepared;
}

bool ChannelArrays::prepareHeld(int32_t declaredInputs, int32_t declaredOutputs) {
    freeReplacedWhenIdle();
    const bool refused = declaredInputs > kMaxChannels || declaredOutputs > kMaxChannels;
    const auto inputCount = static_cast<size_t>(refused ? kHostEntries : entriesFor(declaredInputs));
    const auto outputCount = static_cast<size_t>(refused ? kHostEntries : entriesFor(declaredOutputs));
    const Layout* now = current.load();
    if (refused == now->refused && inputCount == static_cast<size_t>(now->inputEntries) &&
        outputCount == static_cast<size_t>(now->outputEntries)) {
        outgrownFlag.store(false, std::memory_order_relaxed);
        return !refused;
    }

    const size_t frames = inputCount > kHostEntries || outputCount > kHostEntries ? static_cast<size_t>(frameCapacity) : 0;
    std::unique_ptr<Layout> previous(current.exchange(
        new Layout(inputCount, outputCount, frames, static_cast<size_t>(frameCapacity), refused)));
    outgrownFlag.store(false, std::memory_order_relaxed);
    // Sequentially consistent exchange and count, against the render call's increment and load:
    // a render call that still holds the previous layout was counted before the count was read.
    if (rendering.load() == 0) previous.reset();
    else replaced.retire(std::move(previous));
    return !refused;
}

bool ChannelArrays::refresh(const AEffect& effect) {
    return prepare(declared(effect.numInputs), declared(effect.numOutputs));
}

void ChannelArrays::freeReplacedWhenIdle() {
    if (replaced.count() != 0 && rendering.load() == 0) replaced.freeAll();
}

void ChannelArrays::handOver(Layout& layout, AEffect& effect, float* in0, float* in1, float* out0, float* out1,
                             int32_t frames) {
    float** const in = layout.inputs.data();
    float** const out = layout.outputs.data();
    in[0] = in0;
    in[1] = in1;
    out[0] = out0;
    out[1] = out1;
    effect.processReplacing(&effect, in, out, frames);
}

void ChannelArrays::processPieces(Layout& layout, AEffect& effect, float* in0, float* in1, float* out0,
                                  float* out1, int32_t frames, PieceHook beforePiece, void* hookContext) {
    // A plug-in of up to two channels a side gets the whole block in one call, whatever its length.
    const int32_t pieceLimit = layout.extraEntries ? frameCapacity : std::max(frames, 1);
    int32_t done = 0;
    do {
        const int32_t piece = std::min(pieceLimit, frames - done);
        if (beforePiece) beforePiece(hookContext, done, piece);
        if (layout.extraEntries) {
            // A plug-in may write into its inputs; the next call must still hand it silence there.
            for (std::vector<float>& channel : layout.silence) silenceChannel(channel.data(), piece);
        }
        handOver(layout, effect, advanced(in0, done), advanced(in1, done), advanced(out0, done),
                 advanced(out1, done), piece);
        done += std::max(piece, 1);
    } while (done < frames);
}

void ChannelArrays::process(AEffect& effect, float* in0, float* in1, float* out0, float* out1, int32_t frames,
                            PieceHook beforePiece, void* hookContext) {
    // Sequentially consistent increment and load: see prepare().
    rendering.fetch_add(1);
    Layout* layout = current.load();
    if (!effect.processReplacing) {
        if (beforePiece) beforePiece(hookContext, 0, frames);
    } else if (!layout->fits(effect)) {
        if (beforePiece) beforePiece(hookContext, 0, frames);
        if (!layout->refused) outgrownFlag.store(true, std::memory_order_relaxed);
        // Left alone, the host's outputs would play whatever block they held before.
        silenceChannel(out0, frames);
        silenceChannel(out1, frames);
    } else {
        processPieces(*layout, effect, in0, in1, out0, out1, frames, beforePiece, hookContext);
    }
    // Release: the plug-in is done with the layout before a preparation that sees no render call frees it.
    rendering.fetch_sub(1, std::memory_order_release);
}
