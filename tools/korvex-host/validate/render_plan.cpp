// The block sizes and sample rates of a run: the defaults, the user's lists, or seeded random ones.
#include "tools/korvex-host/validate/render_plan.h"

#include <cmath>
#include <cstdio>
#include <iterator>
#include <random>
#include <stdexcept>

namespace korvex_validate {
namespace {

constexpr double kLowestRate = 1000.0;
constexpr double kHighestRate = 768000.0;
constexpr int kRandomBlocks = 24;
constexpr int kRandomRates = 5;

std::vector<std::string> items(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find(',', start);
        out.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return out;
}

double number(const std::string& item, const char* option) {
    size_t used = 0;
    double value = 0.0;
    try {
        value = std::stod(item, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (item.empty() || used != item.size() || !std::isfinite(value))
        throw std::runtime_error(std::string(option) + ": '" + item + "' is not a number");
    return value;
}

}  // namespace

std::vector<int32_t> defaultBlockSizes() { return {std::begin(kBlockSizes), std::end(kBlockSizes)}; }
std::vector<float> defaultRates() { return {std::begin(kRates), std::end(kRates)}; }

std::vector<int32_t> parseBlockList(const std::string& text, uint64_t seed) {
    if (text.empty()) return defaultBlockSizes();
    if (text == "random") {
        std::mt19937_64 random(seed);
        std::uniform_int_distribution<int32_t> small(1, 64), any(1, kMaxBlock);
        std::vector<int32_t> sizes;
        for (int i = 0; i < kRandomBlocks; ++i) sizes.push_back(i % 2 ? small(random) : any(random));
        return sizes;
    }
    std::vector<int32_t> sizes;
    for (const std::string& item : items(text)) {
        const double value = number(item, "--blocks");
        if (value != std::floor(value) || value < 1 || value > kMaxBlock)
            throw std::runtime_error("--blocks: '" + item + "' is not a whole number of frames from 1 to " +
                                     std::to_string(kMaxBlock));
        sizes.push_back(static_cast<int32_t>(value));
    }
    return sizes;
}

std::vector<float> parseRateList(const std::string& text, uint64_t seed) {
    if (text.empty()) return defaultRates();
    if (text == "random") {
        std::mt19937_64 random(seed);
        std::uniform_real_distribution<double> any(8000.0, 192000.0);
        std::vector<float> rates;
        // Hundredths of a hertz, as odd rates are written.
        for (int i = 0; i < kRandomRates; ++i) rates.push_back(static_cast<float>(std::round(any(random) * 100.0) / 100.0));
        return rates;
    }
    std::vector<float> rates;
    for (const std::string& item : items(text)) {
        const double value = number(item, "--rates");
        if (value < kLowestRate || value > kHighestRate)
            throw std::runtime_error("--rates: " + item + " Hz is outside 1000 to 768000 Hz");
        rates.push_back(static_cast<float>(value));
    }
    return rates;
}

std::vector<int32_t> blockSizes(CheckContext& context, const std::vector<int32_t>& fallback) {
    const std::string& given = context.options().blocks;
    return given.empty() ? fallback : parseBlockList(given, context.seed());
}

std::vector<float> sampleRates(CheckContext& context, const std::vector<float>& fallback) {
    const std::string& given = context.options().rates;
    return given.empty() ? fallback : parseRateList(given, context.seed());
}

std::string rateText(float rate) {
    char text[32];
    if (rate == std::floor(rate)) std::snprintf(text, sizeof text, "%.0f Hz", static_cast<double>(rate));
    else std::snprintf(text, sizeof text, "%.2f Hz", static_cast<double>(rate));
    return text;
}

}  // namespace korvex_validate
