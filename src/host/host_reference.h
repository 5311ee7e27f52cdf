// One counted reference to a host interface, released exactly once (also when a constructor throws).
#pragma once

#include <utility>

template <class Interface>
class HostReference {
public:
    HostReference() = default;
    HostReference(const HostReference&) = delete;
    HostReference& operator=(const HostReference&) = delete;
    ~HostReference() { reset(); }

    // Takes over a reference the host handed out (an answer of QueryInterface or CreateComponent).
    void adopt(void* answered) {
        reset();
        pointer = static_cast<Interface*>(answered);
    }
    // Adds a reference of our own to an interface someone else keeps.
    void hold(Interface* borrowed) {
        if (borrowed) borrowed->AddRef();
        reset();
        pointer = borrowed;
    }
    void reset() {
        // Cleared before Release so a host that calls back during Release finds nothing half-released.
        if (Interface* held = std::exchange(pointer, nullptr)) held->Release();
    }

    Interface* get() const { return pointer; }
    Interface* operator->() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

private:
    Interface* pointer = nullptr;
};
