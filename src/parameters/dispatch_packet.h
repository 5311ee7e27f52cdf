// One render-context field's packet: the bytes the dispatcher fills and posts to the host.
#pragma once

#include <cstdint>
#include <vector>

struct DispatchPacket {
    // Born dirty, so a registered packet reaches the host at the first dispatch without any change.
    explicit DispatchPacket(uint32_t index) : fieldIndex(index) {}

    // Makes room for exactly byteCount bytes (new bytes zero) and answers where to write them.
    uint8_t* reserve(uint32_t byteCount) {
        size = byteCount;
        data.resize(byteCount);
        return data.data();
    }

    uint32_t fieldIndex;
    bool dirty = true;
    uint32_t size = 0;
    std::vector<uint8_t> data = std::vector<uint8_t>(8, 0);
};
