// How many calls of each block size the render checks make: enough frames that every size spans
// several of the plug-in's own internal blocks, few enough that one-frame calls stay quick.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>

namespace korvex_validate {

inline int callsFor(int32_t blockSize, int64_t frames) {
    return static_cast<int>(std::max<int64_t>(4, (frames + blockSize - 1) / blockSize));
}

inline std::string rateText(float rate) { return std::to_string(static_cast<int>(rate)) + " Hz"; }

inline std::string blockText(int32_t size) { return std::to_string(size) + "-frame blocks"; }

}  // namespace korvex_validate
