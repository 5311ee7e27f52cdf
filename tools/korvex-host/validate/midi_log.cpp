// What the plug-in received against what was sent.
#include "tools/korvex-host/validate/midi_log.h"

#include <cstdio>

namespace korvex_validate {
namespace {

std::string eventText(int32_t block, int32_t frame, const uint8_t* bytes) {
    char text[96];
    std::snprintf(text, sizeof text, "%02X %02X %02X at frame %d of render call %d", bytes[0], bytes[1], bytes[2],
                  static_cast<int>(frame), static_cast<int>(block));
    return text;
}

}  // namespace

std::string deliveryProblem(const probe::InstanceLog& log, int32_t firstEvent, const std::vector<SentEvent>& sent) {
    const int32_t received = log.eventCount.load() - firstEvent;
    if (received > probe::kMaxEvents) return "too many events to compare (" + std::to_string(received) + ")";
    for (size_t i = 0; i < sent.size(); ++i) {
        const SentEvent& expected = sent[i];
        const uint8_t bytes[3] = {expected.packet.status, expected.packet.data1, expected.packet.data2};
        const std::string wanted = eventText(expected.block, static_cast<int32_t>(expected.packet.frame), bytes);
        if (static_cast<int32_t>(i) >= received)
            return "only " + std::to_string(received) + " of " + std::to_string(sent.size()) +
                   " events reached the plug-in; the first missing: " + wanted;
        const probe::ReceivedEvent& got = log.event(firstEvent + static_cast<int32_t>(i));
        if (got.block != expected.block || got.deltaFrames != static_cast<int32_t>(expected.packet.frame) ||
            got.bytes[0] != bytes[0] || got.bytes[1] != bytes[1] || got.bytes[2] != bytes[2])
            return "event " + std::to_string(i + 1) + " sent as " + wanted + " arrived as " +
                   eventText(got.block, got.deltaFrames, got.bytes);
        if (got.eventsInCall != 1)
            return "event " + std::to_string(i + 1) + " came in an effProcessEvents call of " +
                   std::to_string(got.eventsInCall) + " events";
    }
    if (received > static_cast<int32_t>(sent.size()))
        return std::to_string(received - static_cast<int32_t>(sent.size())) + " events more than sent reached the plug-in";
    return {};
}

}  // namespace korvex_validate
