// Reference-counting base of every ACF object the host holds (effect parameters, editor).
#pragma once

#include <atomic>
#include <cstdint>

#include "acf/acf_types.h"

// Live ACF objects in this module; the unload query answers it.
extern std::atomic<int32_t> gObjectCount;

class CACFUnknown {
public:
    CACFUnknown();
    CACFUnknown(const CACFUnknown&) = delete;
    CACFUnknown& operator=(const CACFUnknown&) = delete;

    virtual ~CACFUnknown();                                                  // 0 module count -1
    virtual int32_t OnCreate();                                              // 1 returns 0; nothing calls it
    virtual void OnLastRelease();                                            // 2 just before self-deletion
    virtual void DeleteSelf();                                               // 3 destroys the whole object
    virtual int32_t NondelegatingQueryInterface(const GUID& iid, void** out); // 4 unknown IID only
    virtual uint32_t NondelegatingAddRef();                                  // 5 atomic +1
    virtual uint32_t NondelegatingRelease();                                 // 6 atomic -1, deletes at 0

    // The identity unknown: its three entries reach the Nondelegating operations of its owner.
    class PrivateUnknown final : public IACFUnknown {
    public:
        explicit PrivateUnknown(CACFUnknown* ownerObject) : owner(ownerObject) {}
        int32_t QueryInterface(const GUID& iid, void** out) override;
        uint32_t AddRef() override;
        uint32_t Release() override;

    private:
        CACFUnknown* owner;
    };

    IACFUnknown* privateUnknown() { return &privateUnknownPart; }
    IACFUnknown* controllingUnknown() const { return outerUnknown; }
    int32_t referenceCount() const { return refCount.load(std::memory_order_relaxed); }

protected:
    // The thunks every primary interface uses for its slots 0-2.
    int32_t OuterQueryInterface(const GUID& iid, void** out) { return outerUnknown->QueryInterface(iid, out); }
    uint32_t OuterAddRef() { return outerUnknown->AddRef(); }
    uint32_t OuterRelease() { return outerUnknown->Release(); }

private:
    std::atomic<int32_t> refCount{0};
    IACFUnknown* outerUnknown;
    PrivateUnknown privateUnknownPart;
};

// Slots 0-2 of a primary interface, forwarded unchanged to the controlling unknown.
#define KORVEX_ACF_THUNKS                                                                        \
    int32_t QueryInterface(const GUID& iid, void** out) override { return OuterQueryInterface(iid, out); } \
    uint32_t AddRef() override { return OuterAddRef(); }                                         \
    uint32_t Release() override { return OuterRelease(); }
