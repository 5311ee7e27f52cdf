// Four-character codes: the first character lands in the most significant byte.
#pragma once

#include <cstdint>
#include <string>

constexpr int32_t fourCharCode(const char (&text)[5]) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<uint8_t>(text[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(text[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(text[2])) << 8) |
                                static_cast<uint32_t>(static_cast<uint8_t>(text[3])));
}

// The four characters of a code, for people reading descriptions and logs.
inline std::string fourCharText(int32_t code) {
    const auto bits = static_cast<uint32_t>(code);
    return std::string{static_cast<char>(bits >> 24), static_cast<char>((bits >> 16) & 0xFF),
                       static_cast<char>((bits >> 8) & 0xFF), static_cast<char>(bits & 0xFF)};
}
