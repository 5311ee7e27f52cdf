// Keeping and freeing retired objects.
#include "util/retired_objects.h"

void RetiredObjects::retire(void* object, void (*destroy)(void*)) noexcept {
    if (!object || !destroy) return;
    try {
        objects.emplace_back(object, destroy);
    } catch (...) {
    }
}

void RetiredObjects::freeAll() noexcept {
    // Taken out first: a destructor may retire something of its own, or reach this list again.
    while (!objects.empty()) {
        std::vector<std::pair<void*, void (*)(void*)>> batch;
        batch.swap(objects);
        for (const auto& [object, destroy] : batch) destroy(object);
    }
}
