// A render-context MIDI node of the simulated host: the transport node (field 9) or the
// MIDI input node (field 10), carrying the packets of the next render call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "host/midi_node.h"

namespace simhost {

class SimMidiNode final : public AAX_IMIDINode {
public:
    static constexpr size_t kDefaultCapacity = 256;

    // transport: what GetTransport answers (borrowed, may be null).
    explicit SimMidiNode(AAX_ITransport* nodeTransport = nullptr, size_t capacity = kDefaultCapacity);
    SimMidiNode(const SimMidiNode&) = delete;
    SimMidiNode& operator=(const SimMidiNode&) = delete;

    // Queues a three-byte packet for the next render call; false when the node is full.
    bool addPacket(uint32_t timestamp, uint8_t status, uint8_t data1, uint8_t data2);
    // Drops the queued packets, as the host does after each render call.
    void clear();
    void setTransport(AAX_ITransport* nodeTransport) { transport = nodeTransport; }
    size_t packetCount() const { return packets.size(); }

    AAX_CMidiStream* GetNodeBuffer() override;
    int32_t PostMIDIPacket(AAX_CMidiPacket* packet) override;  // queues a copy; -20009 when full
    AAX_ITransport* GetTransport() override;

private:
    std::vector<AAX_CMidiPacket> packets;  // capacity reserved up front: no allocation while rendering
    size_t capacityLimit;
    AAX_CMidiStream stream{};
    AAX_ITransport* transport;
};

}  // namespace simhost
