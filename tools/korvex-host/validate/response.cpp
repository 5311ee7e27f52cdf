// Rendering a known input through an instance and keeping what came out.
#include "tools/korvex-host/validate/response.h"

#include <algorithm>
#include <string>

namespace korvex_validate {

std::vector<float> renderResponse(CheckContext& context, Instance& instance, const std::vector<float>& input,
                                  int64_t frames) {
    simhost::TransportSettings transport;
    transport.playing = true;
    transport.tempo = 120.0;
    instance.sim().setTransport(transport);
    const int32_t channels = instance.channels();
    Buffers buffers(channels, kResponseBlock);
    std::vector<float> output;
    output.reserve(static_cast<size_t>(frames));
    for (int64_t at = 0; at < frames; at += kResponseBlock) {
        const auto size = static_cast<int32_t>(std::min<int64_t>(kResponseBlock, frames - at));
        for (int32_t c = 0; c < channels; ++c)
            for (int32_t i = 0; i < size; ++i) {
                const auto from = static_cast<size_t>(at + i);
                buffers.input(c)[static_cast<size_t>(i)] = from < input.size() ? input[from] : 0.0f;
            }
        if (!instance.render(buffers.in(), buffers.out(), size))
            context.abort("the simulated host refused a render call of " + std::to_string(size) + " frames");
        output.insert(output.end(), buffers.output(0).begin(), buffers.output(0).begin() + size);
    }
    return output;
}

}  // namespace korvex_validate
