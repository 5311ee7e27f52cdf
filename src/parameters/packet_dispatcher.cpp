// The packet dispatcher's bookkeeping and the one filler the module registers.
#include "parameters/packet_dispatcher.h"

#include <cstring>
#include <vector>

#include "acf/result_codes.h"
#include "parameters/aax_iparameter.h"

AAX_CPacketDispatcher::AAX_CPacketDispatcher() : lock(ThreadMutex::create()) {}

AAX_CPacketDispatcher::~AAX_CPacketDispatcher() {
    {
        ThreadMutexGuard guard(lock);
        entries.clear();
        packets.clear();
    }
    ThreadMutex::destroy(lock);
}

void AAX_CPacketDispatcher::setController(AAX_IController* hostController) {
    ThreadMutexGuard guard(lock);
    controller.set(hostController);
}

void AAX_CPacketDispatcher::setEffectParameters(AAX_IACFEffectParameters* owner) {
    ThreadMutexGuard guard(lock);
    effectParameters = owner;
}

int32_t AAX_CPacketDispatcher::AddPacket(const char* id, uint32_t fieldIndex, const AAX_IPacketHandler& handler) {
    ThreadMutexGuard guard(lock);
    if (!id) return kResultNoParameter;
    std::unique_ptr<AAX_IPacketHandler> clone(handler.Clone());
    if (!clone) return kResultNotImplemented;
    DispatchPacket& packet = packets.try_emplace(fieldIndex, fieldIndex).first->second;
    // multimap::emplace places an equal key after the existing ones.
    entries.emplace(id, Entry{&packet, std::move(clone)});
    maybeDirty.store(true);  // a packet is born dirty
    return kResultSuccess;
}

int32_t AAX_CPacketDispatcher::MarkDirty(const char* id) {
    ThreadMutexGuard guard(lock);
    if (!id) return kResultSuccess;
    const auto range = entries.equal_range(std::string_view(id));
    for (auto it = range.first; it != range.second; ++it) it->second.packet->dirty = true;
    if (range.first != range.second) maybeDirty.store(true);
    return kResultSuccess;
}

int32_t AAX_CPacketDispatcher::PostDirtyPackets() {
    // Another pass is running: it goes round again before it ends, and posts what is dirty now.
    if (passRequests.fetch_add(1) != 0) return kResultSuccess;
    int32_t result = kResultSuccess;
    int32_t served = 0;
    do {
        served = passRequests.load();
        const int32_t posted = postOnce();
        if (result == kResultSuccess) result = posted;
    } while (!passRequests.compare_exchange_strong(served, 0));
    return result;
}

int32_t AAX_CPacketDispatcher::postOnce() {
    struct Outgoing {
        DispatchPacket* packet;
        std::vector<uint8_t> bytes;
        bool delivered;
    };
    std::vector<Outgoing> outgoing;
    int32_t result = kResultSuccess;
    // Inside the link the controller stays alive, even if the main thread unlinks it meanwhile.
    const bool linked = controller.visit([&](AAX_IController& host) {
        // Taken before the flags are read: a packet marked from here on is posted by the next pass.
        if (!maybeDirty.exchange(false)) return;
        {
            ThreadMutexGuard guard(lock);
            for (auto& [id, entry] : entries) {
                DispatchPacket& packet = *entry.packet;
                if (!packet.dirty) continue;
                // Cleared before the post so a shared packet goes out once per pass, and a handler
                // failure waits for the next MarkDirty.
                packet.dirty = false;
                if (entry.handler->Invoke(id.c_str(), packet) != kResultSuccess) continue;
                const uint8_t* data = packet.data.data();
                outgoing.push_back({&packet, std::vector<uint8_t>(data, data + packet.size), false});
            }
        }
        for (Outgoing& out : outgoing) {
            const int32_t posted =
                host.PostPacket(out.packet->fieldIndex, out.bytes.data(), static_cast<uint32_t>(out.bytes.size()));
            out.delivered = posted == kResultSuccess;
            if (!out.delivered && result == kResultSuccess) result = posted;
        }
        // A refused post would otherwise leave the render context on a stale value until the
        // parameter next changes; the packet goes again next pass and the failure is reported.
        ThreadMutexGuard guard(lock);
        for (const Outgoing& out : outgoing)
            if (!out.delivered) {
                out.packet->dirty = true;
                maybeDirty.store(true);
            }
    });
    // Without a controller nothing can be delivered; the packets wait, still dirty.
    return linked ? result : kResultNotImplemented;
}

int32_t AAX_CPacketDispatcher::FillSingleValuePacket(const char* id, DispatchPacket& packet) {
    ThreadMutexGuard guard(lock);
    if (!effectParameters) return kResultNotImplemented;
    AAX_IParameter* parameter = nullptr;
    if (effectParameters->GetParameter(id, &parameter) != kResultSuccess || !parameter) return kResultNotImplemented;

    bool boolValue = false;
    float floatValue = 0.0f;
    int32_t intValue = 0;
    double doubleValue = 0.0;
    if (parameter->GetValueAsBool(&boolValue)) {
        const uint32_t word = boolValue ? 1u : 0u;
        std::memcpy(packet.reserve(sizeof word), &word, sizeof word);
    } else if (parameter->GetValueAsFloat(&floatValue)) {
        std::memcpy(packet.reserve(sizeof floatValue), &floatValue, sizeof floatValue);
    } else if (parameter->GetValueAsInt32(&intValue)) {
        std::memcpy(packet.reserve(sizeof intValue), &intValue, sizeof intValue);
    } else if (parameter->GetValueAsDouble(&doubleValue)) {
        std::memcpy(packet.reserve(sizeof doubleValue), &doubleValue, sizeof doubleValue);
    } else {
        return kResultNotImplemented;
    }
    return kResultSuccess;
}
