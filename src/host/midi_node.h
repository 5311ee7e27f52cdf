// MIDI records and node interface of the render context, as the host lays them out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/aax_transport.h"

struct AAX_CMidiPacket {
    uint32_t mTimestamp;  // sample frame within this render call
    uint32_t mLength;
    uint8_t mData[4];
    uint8_t mIsImmediate;
    uint8_t padding[3];
};
static_assert(sizeof(AAX_CMidiPacket) == 16, "MIDI packet is 16 bytes");
static_assert(offsetof(AAX_CMidiPacket, mData) == 8, "MIDI bytes at 8");
static_assert(offsetof(AAX_CMidiPacket, mIsImmediate) == 12, "immediate flag at 12");

struct AAX_CMidiStream {
    uint32_t mBufferSize;      // number of packets
    AAX_CMidiPacket* mBuffer;
};
static_assert(offsetof(AAX_CMidiStream, mBuffer) == 8, "packet array at 8");

class AAX_IMIDINode {
public:
    virtual ~AAX_IMIDINode() = default;                             // 0
    virtual AAX_CMidiStream* GetNodeBuffer() = 0;                   // 1 [render] this call's packets
    virtual int32_t PostMIDIPacket(AAX_CMidiPacket* packet) = 0;    // 2 [render]
    virtual AAX_ITransport* GetTransport() = 0;                     // 3 [render] the host transport
};
