// Atomic reference counting and identity for every ACF object of the module.
#include "acf/cacf_unknown.h"

#include "acf/result_codes.h"

std::atomic<int32_t> gObjectCount{0};

CACFUnknown::CACFUnknown() : outerUnknown(&privateUnknownPart), privateUnknownPart(this) {
    gObjectCount.fetch_add(1);
}

CACFUnknown::~CACFUnknown() { gObjectCount.fetch_sub(1); }

int32_t CACFUnknown::OnCreate() { return kResultSuccess; }

void CACFUnknown::OnLastRelease() {}

void CACFUnknown::DeleteSelf() { delete this; }

int32_t CACFUnknown::NondelegatingQueryInterface(const GUID& iid, void** out) {
    if (!out) return kAcfNoInterface;
    *out = nullptr;
    if (iid == IID_IACFUnknown) {
        *out = &privateUnknownPart;
        privateUnknownPart.AddRef();
        return kResultSuccess;
    }
    return kAcfNoInterface;
}

uint32_t CACFUnknown::NondelegatingAddRef() { return static_cast<uint32_t>(refCount.fetch_add(1) + 1); }

uint32_t CACFUnknown::NondelegatingRelease() {
    // The decision to delete comes from the decrement itself, so exactly one releasing thread deletes.
    const int32_t remaining = refCount.fetch_sub(1) - 1;
    if (remaining == 0) {
        OnLastRelease();
        DeleteSelf();
    }
    return static_cast<uint32_t>(remaining);
}

int32_t CACFUnknown::PrivateUnknown::QueryInterface(const GUID& iid, void** out) {
    return owner->NondelegatingQueryInterface(iid, out);
}
uint32_t CACFUnknown::PrivateUnknown::AddRef() { return owner->NondelegatingAddRef(); }
uint32_t CACFUnknown::PrivateUnknown::Release() { return owner->NondelegatingRelease(); }
