// Objects a callback on another thread may still be using after the main thread let go of them.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

// [main] The main thread unlinks an object and, when a callback may still be inside it, hands it
// here instead of freeing it; the owner frees the lot once its links are idle, or when it ends
// (after the plug-in was closed, when no callback can come any more). The main thread never waits
// for a callback, which may itself be waiting for the main thread.
class RetiredObjects {
public:
    RetiredObjects() = default;
    ~RetiredObjects() { freeAll(); }
    RetiredObjects(const RetiredObjects&) = delete;
    RetiredObjects& operator=(const RetiredObjects&) = delete;

    // Keeps object until freeAll. Should the list itself fail to grow, the object is leaked
    // rather than freed under a callback.
    void retire(void* object, void (*destroy)(void*)) noexcept;
    template <class T>
    void retire(std::unique_ptr<T> object) noexcept {
        if (object) retire(object.release(), [](void* held) { delete static_cast<T*>(held); });
    }

    // Frees every object kept, oldest first. Objects retired while freeing are freed too.
    void freeAll() noexcept;
    size_t count() const { return objects.size(); }

private:
    std::vector<std::pair<void*, void (*)(void*)>> objects;
};
