// What an instance renders, through the module, for a given input on every channel: the shared
// ground of the latency and tail checks.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {

// Renders `frames` frames in blocks of kResponseBlock with `input` (then silence) on every
// channel and no MIDI; answers channel 0 of the output. Aborts the check when the host refuses.
inline constexpr int32_t kResponseBlock = 512;
std::vector<float> renderResponse(CheckContext& context, Instance& instance, const std::vector<float>& input,
                                  int64_t frames);

// Renders on from where renderResponse left off while `more` answers true for each block's
// output (channel 0, kResponseBlock frames); answers the frames rendered.
template <class More>
int64_t renderWhile(CheckContext& context, Instance& instance, More more);

}  // namespace korvex_validate

#include "tools/korvex-host/validate/signal.h"

namespace korvex_validate {

template <class More>
int64_t renderWhile(CheckContext& context, Instance& instance, More more) {
    Buffers buffers(instance.channels(), kResponseBlock);
    buffers.silenceInput();
    int64_t rendered = 0;
    for (;;) {
        if (!instance.render(buffers.in(), buffers.out(), kResponseBlock))
            context.abort("the simulated host refused a render call of " + std::to_string(kResponseBlock) + " frames");
        rendered += kResponseBlock;
        if (!more(buffers.output(0).data())) return rendered;
    }
}

}  // namespace korvex_validate
