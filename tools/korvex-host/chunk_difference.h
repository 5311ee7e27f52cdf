// How two chunks differ, in one line: the tool's state commands and the validator's state checks
// both say it the same way.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace korvex_host {

// "" when equal; else "1173 bytes <first>, 1197 bytes <second>, first difference at byte 33
// (0x0A <first>, 0x3C <second>)" with the two words naming the sides.
inline std::string chunkDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                                   const char* first = "saved", const char* second = "read back") {
    if (a == b) return {};
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    std::string text = std::to_string(a.size()) + " bytes " + first + ", " + std::to_string(b.size()) + " bytes " +
                       second + ", first difference at byte " + std::to_string(at);
    if (at < a.size() && at < b.size()) {
        char bytes[80];
        std::snprintf(bytes, sizeof bytes, " (0x%02X %s, 0x%02X %s)", a[at], first, b[at], second);
        text += bytes;
    }
    return text;
}

}  // namespace korvex_host
