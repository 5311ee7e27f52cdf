// Calls the module's registered render callback with batches of simulated render contexts.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "simhost/render_context_builder.h"

namespace simhost {

using RenderProc = void (*)(void* const* firstContext, const void* pastLastContext);

class RenderDriver {
public:
    // callbackAddress: the address the description handed over (may be set later).
    explicit RenderDriver(void* callbackAddress = nullptr);
    explicit RenderDriver(RenderProc proc) : callback(proc) {}

    void setCallback(void* callbackAddress);
    bool hasCallback() const { return callback != nullptr; }

    // [render] One render call over the contexts in order; a null builder becomes a null entry.
    // False when no callback is registered.
    bool render(std::initializer_list<RenderContextBuilder*> batch);
    bool render(const std::vector<RenderContextBuilder*>& batch);

private:
    template <class Range>
    bool renderRange(const Range& batch, size_t count);

    RenderProc callback = nullptr;
    std::vector<void*> entries;  // reused: after the first call of a batch size nothing is allocated
};

}  // namespace simhost
