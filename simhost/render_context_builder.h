// One instance's render context as the simulated host builds it: audio buffers and channel
// pointer arrays, host-owned data-port blocks filled by postPacket, buffer length, transport
// and the two MIDI nodes.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "render/render_context.h"
#include "simhost/sim_midi_node.h"
#include "simhost/sim_transport.h"

namespace simhost {

inline constexpr int32_t kStemMono = 1;
inline constexpr int32_t kStemStereo = 65538;

class RenderContextBuilder {
public:
    // stemFormat: kStemMono or kStemStereo (channels = its low 12 bits, inputs as outputs).
    // maxFrames: the largest buffer length ever rendered; buffers start at zero, length maxFrames.
    RenderContextBuilder(int32_t stemFormat, int32_t maxFrames);
    RenderContextBuilder(const RenderContextBuilder&) = delete;
    RenderContextBuilder& operator=(const RenderContextBuilder&) = delete;

    // The address to put in a render batch.
    RenderContext* context() { return &record; }

    // [main] The host side of the controller's PostPacket: copies size bytes into this field's own
    // block and stores the block's address in the entry; later posts overwrite the block.
    // kResultUnsupported for a field that is no data port or a size beyond its block. A post made
    // while a render call is under way reaches the context at the start of the next one, as
    // hosts deliver packets: the render thread never reads a block being written.
    int32_t postPacket(uint32_t field, const void* data, uint32_t size);

    // Frames of the next render call, clamped to [0, maxFrames].
    void setFrames(int32_t frames);
    int32_t frames() const { return bufferLength; }
    int32_t channels() const { return channelCount; }
    int32_t stemFormat() const { return format; }
    // The channel buffers the next render call hands over (the builder's own unless replaced).
    float* input(int32_t channel) { return inputPointers[static_cast<size_t>(channel)]; }
    float* output(int32_t channel) { return outputPointers[static_cast<size_t>(channel)]; }
    // [main, between render calls] Hands the caller's channel buffers over instead of the
    // builder's own, one per channel, each as long as every render call until they are replaced;
    // null gives the builder's own back. Borrowed: they must outlive their use.
    void useChannelBuffers(float* const* inputBuffers, float* const* outputBuffers);

    SimTransport& transport() { return hostTransport; }
    SimMidiNode& transportNode() { return transportMidiNode; }
    SimMidiNode& midiInput() { return midiInputNode; }
    // Without the host transport the transport node answers null.
    void setTransportAvailable(bool available);
    // A detached MIDI input node leaves field 10 null.
    void setMidiInputAttached(bool attached);
    // On: the transport reports playing and stopped in turn, one render call after the other,
    // whatever was set (the "flipping-transport" host). Set between render calls.
    void setFlippingTransport(bool flipping) { flippingTransport = flipping; }
    // [render] Called by the driver right before and right after each render call that names
    // this context.
    void beginRenderCall();
    void endRenderCall();

private:
    static constexpr uint32_t kBlockSize = 8;

    void deliver(uint32_t field, const void* data, uint32_t size);

    int32_t format;
    int32_t channelCount;
    int32_t maxLength;
    int32_t bufferLength;
    std::vector<std::vector<float>> inputs;
    std::vector<std::vector<float>> outputs;
    std::vector<float*> inputPointers;   // exactly channelCount entries, as a host hands them
    std::vector<float*> outputPointers;
    alignas(8) uint8_t blocks[kRenderContextFieldCount][kBlockSize] = {};
    SimTransport hostTransport;
    SimMidiNode transportMidiNode;
    SimMidiNode midiInputNode;
    RenderContext record{};
    bool flippingTransport = false;
    std::mutex deliveryMutex;
    bool inRenderCall = false;  // [any thread: guarded by deliveryMutex]
    struct PendingPacket {
        bool due = false;
        uint32_t size = 0;
        uint8_t bytes[kBlockSize] = {};
    } pending[kRenderContextFieldCount];  // [any thread: guarded by deliveryMutex]
    bool flipPlaying = false;  // [render] what the next flipped call reports
};

}  // namespace simhost
