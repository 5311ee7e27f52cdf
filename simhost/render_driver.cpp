// Batches context addresses the way a host's render thread hands them to the callback.
#include "simhost/render_driver.h"

#include <thread>

namespace simhost {

RenderDriver::RenderDriver(void* callbackAddress) { setCallback(callbackAddress); }

void RenderDriver::setCallback(void* callbackAddress) {
    // The description hands the callback over as a data pointer; this is its real type.
    callback = reinterpret_cast<RenderProc>(callbackAddress);
}

template <class Range>
bool RenderDriver::renderRange(const Range& batch, size_t count) {
    if (!callback) return false;
    entries.resize(count);
    size_t i = 0;
    for (RenderContextBuilder* builder : batch) {
        if (builder) builder->beginRenderCall();
        entries[i++] = builder ? builder->context() : nullptr;
    }
    if (freshThreads) std::thread([this] { call(); }).join();
    else call();
    for (RenderContextBuilder* builder : batch)
        if (builder) builder->endRenderCall();
    return true;
}

void RenderDriver::call() {
    if (observer) observer->beforeCallback();
    callback(entries.data(), entries.data() + entries.size());
    if (observer) observer->afterCallback();
}

bool RenderDriver::render(std::initializer_list<RenderContextBuilder*> batch) {
    return renderRange(batch, batch.size());
}

bool RenderDriver::render(const std::vector<RenderContextBuilder*>& batch) { return renderRange(batch, batch.size()); }

}  // namespace simhost
