// Calls the module's registered render callback with batches of simulated render contexts.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "simhost/render_context_builder.h"

namespace simhost {

using RenderProc = void (*)(void* const* firstContext, const void* pastLastContext);

// [render] Told right before and right after each call of the module's render callback, on the
// thread that renders, so a tool can watch exactly the module's call (its heap use, say).
class RenderObserver {
public:
    virtual ~RenderObserver() = default;
    virtual void beforeCallback() = 0;
    virtual void afterCallback() = 0;
};

class RenderDriver {
public:
    // callbackAddress: the address the description handed over (may be set later).
    explicit RenderDriver(void* callbackAddress = nullptr);
    explicit RenderDriver(RenderProc proc) : callback(proc) {}

    void setCallback(void* callbackAddress);
    bool hasCallback() const { return callback != nullptr; }
    // Borrowed; null for none. Set between render calls.
    void setObserver(RenderObserver* watcher) { observer = watcher; }
    // On: each render call runs on a thread started for it (the "fresh-threads" host), which
    // render() joins before it returns; the observer is told on that thread.
    void setFreshThreads(bool fresh) { freshThreads = fresh; }

    // [render] One render call over the contexts in order; a null builder becomes a null entry.
    // False when no callback is registered.
    bool render(std::initializer_list<RenderContextBuilder*> batch);
    bool render(const std::vector<RenderContextBuilder*>& batch);

private:
    template <class Range>
    bool renderRange(const Range& batch, size_t count);

    void call();

    RenderProc callback = nullptr;
    RenderObserver* observer = nullptr;
    bool freshThreads = false;
    std::vector<void*> entries;  // reused: after the first call of a batch size nothing is allocated
};

}  // namespace simhost
