// Reference counting shared by every host-side ACF object of the simulated host, with a
// process-wide tally so tests can prove that every reference handed to the module came back.
#pragma once

#include <atomic>
#include <cstdint>

#include "acf/acf_types.h"
#include "acf/result_codes.h"

namespace simhost {

// Host objects alive right now (created and not yet released to 0).
int32_t liveHostObjects();

class RefCounted {
public:
    RefCounted(const RefCounted&) = delete;
    RefCounted& operator=(const RefCounted&) = delete;

    uint32_t addRef() { return static_cast<uint32_t>(count.fetch_add(1) + 1); }
    uint32_t release();
    int32_t references() const { return count.load(); }

protected:
    RefCounted();  // starts with one reference, owned by the creator
    virtual ~RefCounted();

private:
    std::atomic<int32_t> count{1};
};

// Answers iid with `self` when it is one of the listed interfaces (or the unknown), adding a reference.
template <class Self>
int32_t answerQuery(Self* self, void* asInterface, bool matches, void** out) {
    if (!out) return kAcfNoInterface;
    if (!matches) {
        *out = nullptr;
        return kAcfNoInterface;
    }
    self->addRef();
    *out = asInterface;
    return kResultSuccess;
}

}  // namespace simhost

// IACFUnknown slots 1 and 2 of a host object deriving from simhost::RefCounted.
#define SIMHOST_REFCOUNTING                          \
    uint32_t AddRef() override { return addRef(); }  \
    uint32_t Release() override { return release(); }
