// How a packet gets filled: an interface the dispatcher clones, and the member-function handler.
#pragma once

#include <cstdint>

#include "acf/result_codes.h"
#include "parameters/dispatch_packet.h"

struct AAX_IPacketHandler {
    virtual ~AAX_IPacketHandler() = default;                                    // 0
    virtual AAX_IPacketHandler* Clone() const = 0;                              // 1 heap copy; the caller owns it
    virtual int32_t Invoke(const char* id, DispatchPacket& packet) const = 0;   // 2 fills the packet; 0 = filled
};

// Runs one of the worker's member functions; the worker is borrowed and must outlive the handler.
template <class Worker>
class AAX_CPacketHandler final : public AAX_IPacketHandler {
public:
    using PacketCallback = int32_t (Worker::*)(DispatchPacket& packet);
    using IdPacketCallback = int32_t (Worker::*)(const char* id, DispatchPacket& packet);

    AAX_CPacketHandler(Worker* target, PacketCallback callback) : worker(target), packetCallback(callback) {}
    AAX_CPacketHandler(Worker* target, IdPacketCallback callback) : worker(target), idPacketCallback(callback) {}

    AAX_IPacketHandler* Clone() const override { return new AAX_CPacketHandler(*this); }

    // The two-argument form wins when both are set; with neither (or no worker) nothing can fill.
    int32_t Invoke(const char* id, DispatchPacket& packet) const override {
        if (!worker) return kResultNotImplemented;
        if (idPacketCallback) return (worker->*idPacketCallback)(id, packet);
        if (packetCallback) return (worker->*packetCallback)(packet);
        return kResultNotImplemented;
    }

private:
    Worker* worker;
    PacketCallback packetCallback = nullptr;
    IdPacketCallback idPacketCallback = nullptr;
};
