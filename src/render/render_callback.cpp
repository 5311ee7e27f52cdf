// Feeds each loaded instance its MIDI packets, transport state and the host's audio buffers.
#include "render/render_callback.h"

#include <cstdint>
#include <cstring>

#include "host/aax_transport.h"
#include "host/midi_node.h"
#include "render/render_context.h"
#include "vst/vst_callback.h"
#include "vst/vst_interface.h"

namespace {

constexpr double kTicksPerBeat = 960000.0;
constexpr auto kRelaxed = std::memory_order_relaxed;

int32_t readPort(const int32_t* port) { return port ? *port : 0; }

VstInterface* instanceOf(const RenderContext& context) {
    VstInterface* instance = nullptr;
    // The host's block need not be aligned for a pointer load.
    if (context.vstInterfaceBlock) std::memcpy(&instance, context.vstInterfaceBlock, sizeof instance);
    return instance;
}

// Stores what the host transport reports. Each flag is set from this call's own query, never
// cleared ahead of it: a time request on another thread meanwhile sees the last call's values.
void storeTransport(const AAX_ITransport& transport, VstCallBack& state) {
    uint8_t playingFlag = 0;
    transport.IsPlaying(&playingFlag);
    const bool playing = playingFlag != 0;
    const bool justStarted = playing && state.wasPlaying() == 0;
    state.storePlaying(playing);

    int64_t location = 0;
    if (transport.GetSampleLocation(&location) != 0) {
        state.clearTransportFlags();
        return;
    }

    double tempo = 0.0;
    if (transport.GetTempo(&tempo) == 0) {
        state.tempo.store(tempo, kRelaxed);
        state.tempoValid.store(1, kRelaxed);
    } else {
        state.tempoValid.store(0, kRelaxed);
    }
    int32_t numerator = 0;
    int32_t denominator = 0;
    if (transport.GetMeter(&numerator, &denominator) == 0) {
        state.meterNumerator.store(numerator, kRelaxed);
        state.meterDenominator.store(denominator, kRelaxed);
        state.meterValid.store(1, kRelaxed);
    } else {
        state.meterValid.store(0, kRelaxed);
    }
    if (!playing) {
        state.positionValid.store(0, kRelaxed);
        return;
    }

    int32_t bars = 0;
    int32_t beats = 0;
    int64_t ticks = 0;
    transport.GetBarBeatAtLocation(&bars, &beats, &ticks, location);
    // The last known denominator stands in when this call's meter query failed.
    const double lastDenominator = static_cast<double>(state.meterDenominator.load(kRelaxed));
    const double bar = static_cast<double>(bars);
    if (justStarted) state.ppqOrigin.store((bar + 1.0) * lastDenominator + 1.0, kRelaxed);
    const double position = bar * lastDenominator + static_cast<double>(beats) +
                            static_cast<double>(ticks) / kTicksPerBeat - state.ppqOrigin.load(kRelaxed);
    state.ppqPosition.store(position, kRelaxed);
    // Plug-ins of this product were built against a 32-bit sample position.
    state.samplePosition.store(static_cast<int32_t>(static_cast<uint32_t>(location)), kRelaxed);
    state.positionValid.store(1, kRelaxed);
}

// Sends the packets stamped within [begin, end) of the block, each as its own effProcessEvents,
// timed from begin.
void sendMidi(const AAX_CMidiStream& stream, VstInterface& instance, int64_t begin, int64_t end) {
    VstMidiEvent& event = instance.events[0];
    for (uint32_t i = 0; i < stream.mBufferSize; ++i) {
        const AAX_CMidiPacket& packet = stream.mBuffer[i];
        const auto stamp = static_cast<int64_t>(packet.mTimestamp);
        if (stamp < begin || stamp >= end) continue;
        event.deltaFrames = static_cast<int32_t>(stamp - begin);
        event.midiData[0] = static_cast<char>(packet.mData[0]);
        event.midiData[1] = static_cast<char>(packet.mData[1]);
        event.midiData[2] = static_cast<char>(packet.mData[2]);
        VstEvents batch{};
        batch.numEvents = 1;
        batch.events[0] = reinterpret_cast<VstEvent*>(&event);
        instance.dispatch(effProcessEvents, 0, 0, &batch, 0.0f);
    }
}

// What each piece of a block needs: its MIDI, and the transport moved to where it starts.
struct BlockFeed {
    VstInterface* instance;
    VstCallBack* state;
    const AAX_CMidiStream* midi;
    int32_t frames;
    bool positioned;  // the block's position was stored: later pieces move it on
    int32_t samplePosition;
    double ppqPosition;
    double ppqPerFrame;
};

void feedPiece(void* context, int32_t offset, int32_t frames) {
    BlockFeed& feed = *static_cast<BlockFeed*>(context);
    if (offset > 0 && feed.positioned) {
        // A plug-in asking for the time during this piece hears where the piece starts.
        const auto delta = static_cast<uint32_t>(offset);
        feed.state->samplePosition.store(
            static_cast<int32_t>(static_cast<uint32_t>(feed.samplePosition) + delta), kRelaxed);
        feed.state->ppqPosition.store(feed.ppqPosition + static_cast<double>(offset) * feed.ppqPerFrame, kRelaxed);
    }
    if (!feed.midi) return;
    // The last piece also takes packets stamped at or beyond the block's end, as one call would.
    const bool last = static_cast<int64_t>(offset) + frames >= feed.frames;
    const int64_t end = last ? INT64_MAX : static_cast<int64_t>(offset) + frames;
    sendMidi(*feed.midi, *feed.instance, offset, end);
}

void renderInstance(const RenderContext& context) {
    if (!context.vstLoaded || *context.vstLoaded != 1) return;

    const int32_t inputCount = readPort(context.inputCount);
    const int32_t outputCount = readPort(context.outputCount);
    const int32_t frames = readPort(context.bufferLength);
    // Entries 0 and 1 of what the plug-in gets; the mono component's second entries stay null.
    float* const input0 = context.inputChannels ? context.inputChannels[0] : nullptr;
    float* const input1 = context.inputChannels && inputCount >= 2 ? context.inputChannels[1] : nullptr;
    float* const output0 = context.outputChannels ? context.outputChannels[0] : nullptr;
    float* const output1 = context.outputChannels && outputCount >= 2 ? context.outputChannels[1] : nullptr;

    VstInterface* instance = instanceOf(context);
    VstCallBack* state = instance ? instance->callback : nullptr;
    const AAX_ITransport* transport = context.transportNode ? context.transportNode->GetTransport() : nullptr;
    if (state) {
        if (transport) storeTransport(*transport, *state);
        else state->clearTransportFlags();
    }

    if (!instance) return;
    const AAX_CMidiStream* midi = context.midiInputNode ? context.midiInputNode->GetNodeBuffer() : nullptr;
    BlockFeed feed{instance, state, midi && midi->mBuffer ? midi : nullptr, frames, false, 0, 0.0, 0.0};
    if (state && state->positionValid.load(kRelaxed) != 0) {
        feed.positioned = true;
        feed.samplePosition = state->samplePosition.load(kRelaxed);
        feed.ppqPosition = state->ppqPosition.load(kRelaxed);
        const double rate = state->renderSampleRate.load(kRelaxed);
        if (state->tempoValid.load(kRelaxed) != 0 && rate > 0.0)
            feed.ppqPerFrame = state->tempo.load(kRelaxed) / 60.0 / rate;
    }
    if (!instance->isUsable()) return;
    // The instance's prepared arrays carry every further channel the plug-in declared.
    instance->channels.process(*instance->effect, input0, input1, output0, output1, frames, feedPiece, &feed);
}

}  // namespace

void RenderCallback(void* const* firstContext, const void* pastLastContext) {
    if (!firstContext) return;
    for (void* const* entry = firstContext; entry != pastLastContext; ++entry)
        if (*entry) renderInstance(*static_cast<const RenderContext*>(*entry));
}
