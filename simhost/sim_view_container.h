// The simulated host's view container: the kind and native view it hands the editor, every entry recorded.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "host/host_interfaces.h"
#include "simhost/call_recorder.h"
#include "simhost/host_object.h"
#include "simhost/native_window.h"

namespace simhost {

class SimViewContainer final : public IHostViewContainer, public RefCounted {
public:
    // Kind 3 is a native window handle; the view pointer is whatever the host's window is.
    SimViewContainer(int32_t kind, void* view) : containerKind(kind), nativeView(view) {}

    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING

    int32_t GetType() override;
    void* GetPtr() override;
    int32_t Entry5(uint32_t* a) override;
    int32_t Entry6(const void* a, void* b) override;
    int32_t Entry7(const void* a, void* b) override;
    int32_t Entry8(const char* a, uint32_t b) override;
    int32_t Entry9(const char* a) override;

    // Hosts that free a view's window with the view's last reference: this container then owns
    // `window` (may be null, for a pretend one) and, when its last reference goes, calls `destroyed`
    // (may be empty) and destroys the window. Set before it is handed to the module.
    void destroyWindowWithLastReference(std::unique_ptr<NativeWindow> window, std::function<void()> destroyed);

    // Results of the unused entries can be scripted with setResult.
    CallRecorder recorder;

private:
    ~SimViewContainer() override;

    std::atomic<int32_t> containerKind;
    std::atomic<void*> nativeView;
    std::unique_ptr<NativeWindow> ownedWindow;
    std::function<void()> windowDestroyed;
};

}  // namespace simhost
