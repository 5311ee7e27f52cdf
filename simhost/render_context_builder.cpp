// Storage and packet posting of a simulated render context.
#include "simhost/render_context_builder.h"

#include <algorithm>
#include <cstring>

#include "acf/result_codes.h"

namespace simhost {

namespace {

// Data-port fields and the sizes the effect description registers for them.
uint32_t portSize(uint32_t field) {
    switch (field) {
    case 1:
    case 3:
    case 6:
    case 8:
        return 4;
    case 7:
        return kVstInterfaceBlockSize;
    default:
        return 0;
    }
}

}  // namespace

RenderContextBuilder::RenderContextBuilder(int32_t stemFormat, int32_t maxFrames)
    : format(stemFormat),
      channelCount(stemFormat & 0xFFF),
      maxLength(std::max(maxFrames, 0)),
      bufferLength(maxLength),
      inputs(static_cast<size_t>(channelCount), std::vector<float>(static_cast<size_t>(maxLength), 0.0f)),
      outputs(static_cast<size_t>(channelCount), std::vector<float>(static_cast<size_t>(maxLength), 0.0f)),
      transportMidiNode(&hostTransport),
      midiInputNode(nullptr) {
    for (auto& channel : inputs) inputPointers.push_back(channel.data());
    for (auto& channel : outputs) outputPointers.push_back(channel.data());
    record.inputChannels = inputPointers.data();
    record.outputChannels = outputPointers.data();
    record.bufferLength = &bufferLength;
    record.transportNode = &transportMidiNode;
    record.midiInputNode = &midiInputNode;
}

int32_t RenderContextBuilder::postPacket(uint32_t field, const void* data, uint32_t size) {
    const uint32_t capacity = portSize(field);
    if (capacity == 0 || size > capacity || (size && !data)) return kResultUnsupported;
    std::lock_guard<std::mutex> hold(deliveryMutex);
    if (inRenderCall) {
        PendingPacket& packet = pending[field];
        packet.due = true;
        packet.size = size;
        if (size) std::memcpy(packet.bytes, data, size);
        return kResultSuccess;
    }
    deliver(field, data, size);
    return kResultSuccess;
}

void RenderContextBuilder::deliver(uint32_t field, const void* data, uint32_t size) {
    uint8_t* block = blocks[field];
    if (size) std::memcpy(block, data, size);
    auto* asInt = reinterpret_cast<const int32_t*>(block);
    switch (field) {
    case 1: record.inputCount = asInt; break;
    case 3: record.outputCount = asInt; break;
    case 6: record.bypass = asInt; break;
    case 7: record.vstInterfaceBlock = block; break;
    case 8: record.vstLoaded = asInt; break;
    default: break;
    }
}

void RenderContextBuilder::useChannelBuffers(float* const* inputBuffers, float* const* outputBuffers) {
    for (size_t c = 0; c < static_cast<size_t>(channelCount); ++c) {
        inputPointers[c] = inputBuffers ? inputBuffers[c] : inputs[c].data();
        outputPointers[c] = outputBuffers ? outputBuffers[c] : outputs[c].data();
    }
}

void RenderContextBuilder::setFrames(int32_t frames) { bufferLength = std::clamp(frames, 0, maxLength); }

void RenderContextBuilder::beginRenderCall() {
    {
        std::lock_guard<std::mutex> hold(deliveryMutex);
        for (uint32_t field = 0; field < kRenderContextFieldCount; ++field) {
            PendingPacket& packet = pending[field];
            if (!packet.due) continue;
            deliver(field, packet.bytes, packet.size);
            packet.due = false;
        }
        inRenderCall = true;
    }
    if (!flippingTransport) return;
    hostTransport.setPlaying(flipPlaying);
    flipPlaying = !flipPlaying;
}

void RenderContextBuilder::endRenderCall() {
    std::lock_guard<std::mutex> hold(deliveryMutex);
    inRenderCall = false;
}

void RenderContextBuilder::setTransportAvailable(bool available) {
    transportMidiNode.setTransport(available ? &hostTransport : nullptr);
}

void RenderContextBuilder::setMidiInputAttached(bool attached) {
    record.midiInputNode = attached ? &midiInputNode : nullptr;
}

}  // namespace simhost
