// How many calls of each block size the render checks make: enough frames that every size spans
// several of the plug-in's own internal blocks, few enough that one-frame calls stay quick.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/check.h"

namespace korvex_validate {

// The largest block any check renders, and the block sizes and rates render checks use unless
// --blocks and --rates say otherwise.
inline constexpr int32_t kMaxBlock = 8192;
inline constexpr int32_t kBlockSizes[] = {1, 7, 32, 64, 256, 511, 512, 1024, 2048, 4096, 8192};
inline constexpr float kRates[] = {44100.0f, 48000.0f, 88200.0f, 96000.0f, 192000.0f, 8000.0f, 44123.45f};

// A --blocks or --rates text: numbers separated by commas, or "random" for a seeded varying list.
// std::runtime_error with a one-line reason for anything else (empty: the defaults).
std::vector<int32_t> parseBlockList(const std::string& text, uint64_t seed);
std::vector<float> parseRateList(const std::string& text, uint64_t seed);

// What a render check of this run uses: the run's list where it gave one, else `fallback` (the
// check's own choice for its level).
std::vector<int32_t> blockSizes(CheckContext& context, const std::vector<int32_t>& fallback);
std::vector<float> sampleRates(CheckContext& context, const std::vector<float>& fallback);
std::vector<int32_t> defaultBlockSizes();
std::vector<float> defaultRates();

inline int callsFor(int32_t blockSize, int64_t frames) {
    return static_cast<int>(std::max<int64_t>(4, (frames + blockSize - 1) / blockSize));
}

std::string rateText(float rate);

inline std::string blockText(int32_t size) { return std::to_string(size) + "-frame blocks"; }

}  // namespace korvex_validate
