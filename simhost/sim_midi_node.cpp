// Packet queue of a simulated MIDI node; storage is reserved so the render thread never allocates.
#include "simhost/sim_midi_node.h"

#include "acf/result_codes.h"

namespace simhost {

SimMidiNode::SimMidiNode(AAX_ITransport* nodeTransport, size_t capacity)
    : capacityLimit(capacity), transport(nodeTransport) {
    packets.reserve(capacity);
}

bool SimMidiNode::addPacket(uint32_t timestamp, uint8_t status, uint8_t data1, uint8_t data2) {
    AAX_CMidiPacket packet{};
    packet.mTimestamp = timestamp;
    packet.mLength = 3;
    packet.mData[0] = status;
    packet.mData[1] = data1;
    packet.mData[2] = data2;
    return PostMIDIPacket(&packet) == kResultSuccess;
}

void SimMidiNode::clear() { packets.clear(); }

AAX_CMidiStream* SimMidiNode::GetNodeBuffer() {
    stream.mBufferSize = static_cast<uint32_t>(packets.size());
    stream.mBuffer = packets.empty() ? nullptr : packets.data();
    return &stream;
}

int32_t SimMidiNode::PostMIDIPacket(AAX_CMidiPacket* packet) {
    if (!packet || packets.size() >= capacityLimit) return kResultUnsupported;
    packets.push_back(*packet);
    return kResultSuccess;
}

AAX_ITransport* SimMidiNode::GetTransport() { return transport; }

}  // namespace simhost
